/* Test module that needs a function nothing provides: it must be refused when it is loaded,
 * not when its Process first runs. */
#include "binding/hooks/frame_hook_module.h"

extern void mirelk_test_function_nobody_defines(MirelkHookPicture *picture);

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height,
             int64_t pts)
{
    (void)context; (void)pixelFormat; (void)width; (void)height; (void)pts;
    mirelk_test_function_nobody_defines(picture);
}
