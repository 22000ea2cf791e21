# The frame hook modules the program ships (imlib2.so, watermark.so, ZarnHook.so), run from the
# build's "vhook" folder, and their companion library on its own.
mirelk_hook_test(hook_modules_test
  hook_modules/hook_support_test.cpp
  hook_modules/shipped_modules_test.cpp
  hook_modules/hook_module_runs_test.cpp)
target_link_libraries(hook_modules_test PRIVATE mirelk_hook_support)
add_dependencies(hook_modules_test mirelk_vhook_imlib2 mirelk_vhook_watermark mirelk_vhook_sample mirelk_vhook_pictures)
