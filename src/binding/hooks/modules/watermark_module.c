/* The watermark module ("watermark.so"): lays a watermark picture, stretched to the frame's
 * size, into every frame.
 *
 * Arguments:
 *   -f FILE   the watermark picture (any format imlib2 reads)
 *   -m MODE   0 (default): the mark's difference from mid-grey is added to the frame, so
 *             lighter parts brighten and darker parts darken it;
 *             1: the mark is blended over the frame at half strength.
 * In both modes the parts of the mark that are exactly mid-grey (808080) or transparent leave
 * the frame alone. Mid-grey is the way to leave parts out of a GIF: imlib2 does not hand over a
 * GIF's transparent colour as transparency. */
#include <stdint.h>
#include <stdlib.h>

#include "binding/hooks/frame_hook_module.h"
#include "hook_arguments.h"
#include "hook_imaging.h"
#include "hook_overlay.h"

enum { kBlendStrength = 128, kNeutralGrey = 128 };

typedef struct WatermarkHook {
    HookOverlay mark;
    HookOverlay stretched; /* the mark at the size of the last frame */
    HookBlendMode mode;
} WatermarkHook;

static void FreeHook(WatermarkHook *hook)
{
    hook_overlay_free(&hook->mark);
    hook_overlay_free(&hook->stretched);
    free(hook);
}

static int ConfigureHook(void *context, int argc, char *argv[])
{
    WatermarkHook *hook = context;
    const char *modulePath = argv[0];
    const char *file = NULL, *modeText = "0";
    const HookOption options[] = {{"-f", &file, NULL, 0}, {"-m", &modeText, NULL, 0}};
    if (hook_read_options(argc, argv, options, sizeof options / sizeof options[0]) != 0) return 1;
    long mode = 0;
    if (hook_parse_integer(modeText, 0, 1, &mode) != 0) {
        hook_report(modulePath, "-m needs 0 or 1, not \"%s\"", modeText);
        return 1;
    }
    hook->mode = mode == 0 ? HOOK_BLEND_ADD_DIFFERENCE : HOOK_BLEND_OVER;
    if (file == NULL) {
        hook_report(modulePath, "give the watermark picture with -f FILE");
        return 1;
    }
    char reason[512];
    if (hook_load_picture(file, &hook->mark, reason, sizeof reason) != 0) {
        hook_report(modulePath, "%s", reason);
        return 1;
    }
    hook_overlay_clear_colour(&hook->mark, kNeutralGrey, kNeutralGrey, kNeutralGrey);
    return 0;
}

int Configure(void **contextSlot, int argc, char *argv[])
{
    return hook_configure_context(contextSlot, sizeof(WatermarkHook), argc, argv, ConfigureHook, Release);
}

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height, int64_t pts)
{
    (void)pts;
    WatermarkHook *hook = context;
    HookPictureLayout layout;
    if (hook == NULL || picture == NULL || !hook_picture_layout(pixelFormat, &layout)) return;
    if (width > HOOK_OVERLAY_MAXIMUM_SIDE || height > HOOK_OVERLAY_MAXIMUM_SIDE) return;
    if (hook->stretched.width != width || hook->stretched.height != height) {
        if (hook_overlay_scale(&hook->mark, width, height, &hook->stretched) != 0) return;
    }
    const int strength = hook->mode == HOOK_BLEND_OVER ? kBlendStrength : 255;
    hook_overlay_draw(&hook->stretched, picture, &layout, width, height, 0, 0, hook->mode, strength);
}

void Release(void *context)
{
    if (context != NULL) FreeHook(context);
}
