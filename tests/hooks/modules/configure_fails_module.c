/* Test module whose Configure always refuses. Counts its loads. */
#include "binding/hooks/frame_hook_module.h"

MIRELK_HOOK_EXPORT int mirelk_test_load_count = 0;

__attribute__((constructor)) static void CountLoad(void) { ++mirelk_test_load_count; }

int Configure(void **contextSlot, int argc, char *argv[])
{
    (void)contextSlot; (void)argc; (void)argv;
    return 1;
}

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height,
             int64_t pts)
{
    (void)context; (void)pixelFormat; (void)width; (void)height; (void)pts;
    picture->data[0][0] = 0;
}
