# mirelk-cli through the real program: usage, statuses and failure lines, --json, progress, clips,
# shards on GNU parallel and Slurm, and the installed package.
find_package(nlohmann_json 3 REQUIRED)
function(mirelk_cli_test name)
  mirelk_test(${name} ${ARGN} cli/cli_test_support.cpp test_support.cpp)
  target_link_libraries(${name} PRIVATE nlohmann_json::nlohmann_json)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE MIRELK_CLI_PATH="$<TARGET_FILE:mirelk-cli>"
                                             MIRELK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(${name} mirelk-cli)
endfunction()
mirelk_cli_test(cli_usage_test cli/cli_usage_test.cpp)
mirelk_cli_test(cli_json_test cli/cli_json_test.cpp)
mirelk_cli_test(cli_progress_test cli/cli_progress_test.cpp)
mirelk_cli_test(cli_batch_test cli/cli_batch_test.cpp)
mirelk_cli_test(cli_clip_test cli/cli_clip_test.cpp)
mirelk_cli_test(cli_keep_test cli/cli_keep_test.cpp)
mirelk_cli_test(cli_package_test cli/cli_package_test.cpp)
target_compile_definitions(cli_package_test PRIVATE MIRELK_BUILD_DIR="${CMAKE_BINARY_DIR}")
# The component's own tests; they convert every format of the option form through mirelk-cli.
mirelk_cli_test(conversion_component_test conversion_component_test.cpp component/task_test_support.cpp)
target_link_libraries(conversion_component_test PRIVATE mirelk_component)
