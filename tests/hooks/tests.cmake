# The frame hook chain against small modules built here for the purpose.
set(MIRELK_HOOK_TEST_MODULE_DIR ${CMAKE_BINARY_DIR}/test-hook-modules)

function(mirelk_hook_test_module name source)
  add_library(${name} MODULE hooks/modules/${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${MIRELK_HOOK_TEST_MODULE_DIR})
endfunction()
mirelk_hook_test_module(hook_paint_rectangle paint_rectangle_module.c)
mirelk_hook_test_module(hook_process_only process_only_module.c)
mirelk_hook_test_module(hook_configure_fails configure_fails_module.c)
# Built with its one symbol left open on purpose.
mirelk_hook_test_module(hook_unresolved_symbol unresolved_symbol_module.c)

# A test of frame hooks, with the pieces they share and where both kinds of module are.
function(mirelk_hook_test name)
  mirelk_test(${name} ${ARGN} hooks/hook_test_support.cpp test_support.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/hooks)
  target_compile_definitions(${name} PRIVATE MIRELK_HOOK_TEST_MODULE_DIR="${MIRELK_HOOK_TEST_MODULE_DIR}"
                             MIRELK_VHOOK_DIR="$<TARGET_FILE_DIR:mirelk_vhook_imlib2>")
  add_dependencies(${name} hook_paint_rectangle)
endfunction()

mirelk_hook_test(frame_hook_test hooks/frame_hook_chain_test.cpp)
target_link_libraries(frame_hook_test PRIVATE mirelk_hooks)
add_dependencies(frame_hook_test hook_process_only hook_configure_fails hook_unresolved_symbol)
