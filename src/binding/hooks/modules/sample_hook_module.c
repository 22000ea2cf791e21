/* The sample module ("ZarnHook.so"): draws a picture with a see-through mask colour, a text
 * with font, size and style, or both, onto every frame.
 *
 * Picture arguments:
 *   -i FILE       the picture (any format imlib2 reads)
 *   -mc RRGGBB    pixels of exactly this colour are not drawn (hexadecimal, e.g. FFFFFF)
 *   -ix, -iy EXPR the picture's left and top edge in the frame, default 0
 * Text arguments:
 *   -t TEXT       the text; where blanks separate the items, the items after it up to the
 *                 next option name are the rest of the text (likewise for -fn)
 *   -tx, -ty EXPR the text's left and top edge in the frame, default 0
 *   -fc RRGGBB    text colour, default FFFFFF
 *   -fn NAME      font name, e.g. "Tahoma" or "DejaVu Serif"; a font that is not found in
 *                 this module's folder nor installed is drawn with DejaVu Sans
 *   -fs SIZE      font size, 1 to 512, default 16
 *   -fst LETTERS  style: any of B (bold), I (italic), U (underline), S (strikeout)
 * At least one of -i and -t; with both, the text is drawn over the picture. EXPR is a
 * position expression as in hook_expression.h (W, H, w, h, N, T, PI); what falls outside the
 * frame is cut off. */
#include <stdint.h>
#include <stdlib.h>

#include "binding/hooks/frame_hook_module.h"
#include "hook_arguments.h"
#include "hook_imaging.h"
#include "hook_placement.h"

enum { kLargestFontSize = 512, kLongestText = 4096 };

typedef struct SampleHook {
    HookPlacement picture;
    HookPlacement text;
    int64_t frameNumber;
} SampleHook;

static void FreeHook(SampleHook *hook)
{
    hook_placement_free(&hook->picture);
    hook_placement_free(&hook->text);
    free(hook);
}

static int ParseColour(const char *modulePath, const char *option, const char *text, uint8_t rgb[3])
{
    if (hook_parse_colour(text, rgb) != 0) {
        hook_report(modulePath, "%s needs a colour RRGGBB in hexadecimal, not \"%s\"", option, text);
        return 1;
    }
    return 0;
}

static int MakePicture(SampleHook *hook, const char *modulePath, const char *file, const char *maskColour,
                       const char *left, const char *top)
{
    uint8_t mask[3];
    if (maskColour != NULL && ParseColour(modulePath, "-mc", maskColour, mask) != 0) return 1;
    if (hook_placement_set_position(&hook->picture, modulePath, left, top) != 0) return 1;
    char reason[512];
    if (hook_load_picture(file, &hook->picture.overlay, reason, sizeof reason) != 0) {
        hook_report(modulePath, "%s", reason);
        return 1;
    }
    if (maskColour != NULL) hook_overlay_clear_colour(&hook->picture.overlay, mask[0], mask[1], mask[2]);
    return 0;
}

typedef struct TextArguments {
    const char *text, *left, *top, *colour, *font, *size, *style;
} TextArguments;

static int MakeText(SampleHook *hook, const char *modulePath, const TextArguments *arguments)
{
    uint8_t colour[3];
    long size = 0;
    HookTextStyle style;
    if (ParseColour(modulePath, "-fc", arguments->colour, colour) != 0) return 1;
    if (hook_parse_integer(arguments->size, 1, kLargestFontSize, &size) != 0) {
        hook_report(modulePath, "-fs needs a size from 1 to %d, not \"%s\"", kLargestFontSize, arguments->size);
        return 1;
    }
    if (hook_parse_text_style(arguments->style, &style) != 0) {
        hook_report(modulePath, "-fst takes the letters B, I, U and S, not \"%s\"", arguments->style);
        return 1;
    }
    if (hook_placement_set_position(&hook->text, modulePath, arguments->left, arguments->top) != 0) return 1;
    char moduleFolder[4096];
    hook_folder_of(modulePath, moduleFolder, sizeof moduleFolder);
    char fontPath[4096];
    char reason[512];
    int styleInFile = 0;
    if (hook_find_font(arguments->font, &style, moduleFolder, fontPath, sizeof fontPath, &styleInFile, reason,
                       sizeof reason) != 0 ||
        hook_render_text(arguments->text, fontPath, (int)size, &style, styleInFile, colour, &hook->text.overlay, reason,
                         sizeof reason) != 0) {
        hook_report(modulePath, "%s", reason);
        return 1;
    }
    return 0;
}

static int ConfigureHook(void *context, int argc, char *argv[])
{
    SampleHook *hook = context;
    const char *modulePath = argv[0];
    const char *picture = NULL, *maskColour = NULL, *pictureLeft = "0", *pictureTop = "0";
    TextArguments text = {NULL, "0", "0", "FFFFFF", "DejaVuSans", "16", ""};
    char textWords[kLongestText];
    char fontWords[kLongestText];
    const HookOption options[] = {
        {"-i", &picture, NULL, 0},
        {"-mc", &maskColour, NULL, 0},
        {"-ix", &pictureLeft, NULL, 0},
        {"-iy", &pictureTop, NULL, 0},
        {"-t", &text.text, textWords, sizeof textWords},
        {"-tx", &text.left, NULL, 0},
        {"-ty", &text.top, NULL, 0},
        {"-fc", &text.colour, NULL, 0},
        {"-fn", &text.font, fontWords, sizeof fontWords},
        {"-fs", &text.size, NULL, 0},
        {"-fst", &text.style, NULL, 0},
    };
    if (hook_read_options(argc, argv, options, sizeof options / sizeof options[0]) != 0) return 1;
    if (picture == NULL && text.text == NULL) {
        hook_report(modulePath, "give a picture with -i FILE, a text with -t TEXT, or both");
        return 1;
    }
    if (picture != NULL && MakePicture(hook, modulePath, picture, maskColour, pictureLeft, pictureTop) != 0) return 1;
    if (text.text != NULL && MakeText(hook, modulePath, &text) != 0) return 1;
    return 0;
}

int Configure(void **contextSlot, int argc, char *argv[])
{
    return hook_configure_context(contextSlot, sizeof(SampleHook), argc, argv, ConfigureHook, Release);
}

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height, int64_t pts)
{
    SampleHook *hook = context;
    if (hook == NULL || picture == NULL) return;
    hook_placement_draw(&hook->picture, picture, pixelFormat, width, height, hook->frameNumber, pts);
    hook_placement_draw(&hook->text, picture, pixelFormat, width, height, hook->frameNumber, pts);
    ++hook->frameNumber;
}

void Release(void *context)
{
    if (context != NULL) FreeHook(context);
}
