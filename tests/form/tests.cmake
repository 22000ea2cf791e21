# The option form: records for each format, hook lines, filter chains, output names, the preview
# slider and the clip.
mirelk_test(option_form_test
  form/format_records_test.cpp
  form/hook_lines_test.cpp
  form/modern_formats_test.cpp
  form/names_and_filters_test.cpp
  form/presets_test.cpp
  form/preview_and_clip_test.cpp
  form/settings_beyond_page_test.cpp
  form/settings_entries_test.cpp
  form/form_fixture.cpp
  test_support.cpp)
target_link_libraries(option_form_test PRIVATE mirelk_form nlohmann_json::nlohmann_json)
