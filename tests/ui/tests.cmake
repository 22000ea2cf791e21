# The desktop program's windows, on the offscreen platform.
# The windows link the translations compiled into the desktop library, which need Qt in this scope.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(main_window_test ui/main_window_test.cpp ui/button_sweep_test.cpp ui/option_window_test.cpp
  ui/language_test.cpp ui/run_end_test.cpp ui/file_list_test.cpp ui/large_list_test.cpp ui/modern_page_test.cpp
  ui/option_formats_test.cpp ui/preset_controls_test.cpp ui/settings_line_test.cpp ui/list_keeping_test.cpp
  ui/ui_test_support.cpp test_support.cpp)
target_link_libraries(main_window_test PRIVATE mirelk_ui mirelk_engine GTest::gtest)
target_compile_definitions(main_window_test PRIVATE ${MIRELK_TEST_DEFINITIONS}
  MIRELK_TRANSLATIONS_DIR="${PROJECT_SOURCE_DIR}/src/ui/translations")
add_dependencies(main_window_test myutil mirelk)
# The test program itself runs on the offscreen platform with the GStreamer media back end.
gtest_discover_tests(main_window_test DISCOVERY_TIMEOUT 60 PROPERTIES LABELS main_window_test)

# Not a test: makes the pictures of `make screenshot`.
add_executable(ui_screenshots ui/screenshot_main.cpp)
target_link_libraries(ui_screenshots PRIVATE mirelk_ui)

# Not a test: the window in a process of its own, which the list-keeping test kills mid-run.
add_executable(ui_list_child ui/list_child_main.cpp)
target_link_libraries(ui_list_child PRIVATE mirelk_ui)
add_dependencies(main_window_test ui_list_child)
