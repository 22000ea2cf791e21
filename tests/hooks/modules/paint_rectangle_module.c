/* Test module: paints a rectangle of one value into the luma plane.
 * Arguments: x, y, width, height, value. They are read again at every picture through the
 * pointers Configure received, so a chain that let them go stale paints the wrong thing (or
 * trips the address checker). Counts its loads, configurations and releases. */
#include <stdlib.h>

#include "binding/hooks/frame_hook_module.h"

MIRELK_HOOK_EXPORT int mirelk_test_load_count = 0;
MIRELK_HOOK_EXPORT int mirelk_test_configure_count = 0;
MIRELK_HOOK_EXPORT int mirelk_test_release_count = 0;

__attribute__((constructor)) static void CountLoad(void) { __atomic_add_fetch(&mirelk_test_load_count, 1, __ATOMIC_SEQ_CST); }

typedef struct PaintContext {
    char **arguments;
} PaintContext;

int Configure(void **contextSlot, int argc, char *argv[])
{
    if (contextSlot == NULL || *contextSlot != NULL) return 1;
    if (argc != 6 || argv[argc] != NULL) return 1;
    PaintContext *context = calloc(1, sizeof *context);
    if (context == NULL) return 1;
    context->arguments = argv;
    *contextSlot = context;
    __atomic_add_fetch(&mirelk_test_configure_count, 1, __ATOMIC_SEQ_CST);
    return 0;
}

static int Smaller(int a, int b) { return a < b ? a : b; }

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height,
             int64_t pts)
{
    (void)pixelFormat; (void)pts;
    const PaintContext *paint = context;
    const int left = atoi(paint->arguments[1]);
    const int top = atoi(paint->arguments[2]);
    const int right = Smaller(left + atoi(paint->arguments[3]), width);
    const int bottom = Smaller(top + atoi(paint->arguments[4]), height);
    const uint8_t value = (uint8_t)atoi(paint->arguments[5]);
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column)
            picture->data[0][row * picture->linesize[0] + column] = value;
}

void Release(void *context)
{
    free(context);
    __atomic_add_fetch(&mirelk_test_release_count, 1, __ATOMIC_SEQ_CST);
}
