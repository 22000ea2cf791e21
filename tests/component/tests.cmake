# The conversion component: tasks in the calling thread and in worker threads, and the routing
# of the codec libraries' log output.
mirelk_test(component_test
  component/task_run_test.cpp
  component/task_control_test.cpp
  component/log_routing_test.cpp
  component/handlers_and_shutdown_test.cpp
  component/stop_one_task_test.cpp
  component/task_test_support.cpp
  test_support.cpp)
target_link_libraries(component_test PRIVATE mirelk_component)
target_include_directories(component_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

# Batches of many files, inputs and outputs that change between adding and converting, and the
# codec threads of tasks that run at once.
mirelk_test(batch_test component/batch_test.cpp component/codec_threads_test.cpp component/task_test_support.cpp
  test_support.cpp)
target_link_libraries(batch_test PRIVATE mirelk_component)
target_include_directories(batch_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
