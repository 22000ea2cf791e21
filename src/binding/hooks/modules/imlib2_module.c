/* The picture and text module ("imlib2.so"): draws one picture file or one line of text onto
 * every frame, at a position that may move from frame to frame.
 *
 * Arguments (pairs of a name and a value, in any order):
 *   -i FILE        the picture to draw (any format imlib2 reads; its alpha is kept)
 *   -t TEXT        the text to draw, instead of a picture; where blanks separate the items,
 *                  the items after it up to the next option name are the rest of the text
 *                  (likewise for -F)
 *   -x EXPR        left edge of what is drawn, default 0
 *   -y EXPR        top edge of what is drawn, default 0
 *   -R, -G, -B N   the text colour, 0 to 255 each, default 255 (white)
 *   -F FONT/SIZE   the text's font and size, e.g. "Tahoma.ttf/16" (size 1 to 512, default
 *                  16); a font that is not found in this module's folder nor installed is
 *                  drawn with DejaVu Sans
 * Exactly one of -i and -t. EXPR may use W and H (frame size), w and h (size of the picture or
 * text), N (frame number from 0), T (time in seconds) and PI; see hook_expression.h. What falls
 * outside the frame is cut off. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "binding/hooks/frame_hook_module.h"
#include "hook_arguments.h"
#include "hook_imaging.h"
#include "hook_placement.h"

enum { kDefaultFontSize = 16, kLargestFontSize = 512, kLongestText = 4096 };

typedef struct PictureTextHook {
    HookPlacement item;
    int64_t frameNumber;
} PictureTextHook;

/* "name/size" into its parts; a text whose last part is not a size is all name. */
static int SplitFont(const char *modulePath, const char *font, char *name, size_t nameSize, long *size)
{
    *size = kDefaultFontSize;
    const char *slash = strrchr(font, '/');
    size_t nameLength = strlen(font);
    long parsedSize = 0;
    if (slash != NULL && hook_parse_integer(slash + 1, 1, kLargestFontSize, &parsedSize) == 0) {
        *size = parsedSize;
        nameLength = (size_t)(slash - font);
    } else if (slash != NULL && slash[1] != '\0' && strspn(slash + 1, "+-0123456789") == strlen(slash + 1)) {
        hook_report(modulePath, "font size in \"%s\" must be 1 to %d", font, kLargestFontSize);
        return 1;
    }
    if (nameLength >= nameSize) {
        hook_report(modulePath, "font name \"%s\" is too long", font);
        return 1;
    }
    memcpy(name, font, nameLength);
    name[nameLength] = '\0';
    return 0;
}

static int ParseChannel(const char *modulePath, const char *option, const char *text, uint8_t *channel)
{
    long value = 0;
    if (hook_parse_integer(text, 0, 255, &value) != 0) {
        hook_report(modulePath, "%s needs a number from 0 to 255, not \"%s\"", option, text);
        return 1;
    }
    *channel = (uint8_t)value;
    return 0;
}

static int MakeText(PictureTextHook *hook, const char *modulePath, const char *text, const char *font,
                    const uint8_t colour[3])
{
    char fontName[1024];
    long fontSize = 0;
    if (SplitFont(modulePath, font, fontName, sizeof fontName, &fontSize) != 0) return 1;
    char moduleFolder[4096];
    hook_folder_of(modulePath, moduleFolder, sizeof moduleFolder);
    const HookTextStyle plain = {0, 0, 0, 0};
    char fontPath[4096];
    char reason[512];
    int styleInFile = 0;
    if (hook_find_font(fontName, &plain, moduleFolder, fontPath, sizeof fontPath, &styleInFile, reason, sizeof reason) != 0 ||
        hook_render_text(text, fontPath, (int)fontSize, &plain, styleInFile, colour, &hook->item.overlay, reason,
                         sizeof reason) != 0) {
        hook_report(modulePath, "%s", reason);
        return 1;
    }
    return 0;
}

static int ConfigureHook(void *context, int argc, char *argv[])
{
    PictureTextHook *hook = context;
    const char *modulePath = argv[0];
    const char *picture = NULL, *text = NULL, *left = "0", *top = "0";
    const char *red = "255", *green = "255", *blue = "255", *font = "DejaVuSans/16";
    char textWords[kLongestText];
    char fontWords[kLongestText];
    const HookOption options[] = {
        {"-i", &picture, NULL, 0},
        {"-t", &text, textWords, sizeof textWords},
        {"-x", &left, NULL, 0},
        {"-y", &top, NULL, 0},
        {"-R", &red, NULL, 0},
        {"-G", &green, NULL, 0},
        {"-B", &blue, NULL, 0},
        {"-F", &font, fontWords, sizeof fontWords},
    };
    if (hook_read_options(argc, argv, options, sizeof options / sizeof options[0]) != 0) return 1;
    if ((picture == NULL) == (text == NULL)) {
        hook_report(modulePath, "give either -i PICTURE or -t TEXT");
        return 1;
    }
    uint8_t colour[3];
    if (ParseChannel(modulePath, "-R", red, &colour[0]) != 0 ||
        ParseChannel(modulePath, "-G", green, &colour[1]) != 0 ||
        ParseChannel(modulePath, "-B", blue, &colour[2]) != 0)
        return 1;
    if (hook_placement_set_position(&hook->item, modulePath, left, top) != 0) return 1;
    if (picture != NULL) {
        char reason[512];
        if (hook_load_picture(picture, &hook->item.overlay, reason, sizeof reason) != 0) {
            hook_report(modulePath, "%s", reason);
            return 1;
        }
        return 0;
    }
    return MakeText(hook, modulePath, text, font, colour);
}

int Configure(void **contextSlot, int argc, char *argv[])
{
    return hook_configure_context(contextSlot, sizeof(PictureTextHook), argc, argv, ConfigureHook, Release);
}

void Process(void *context, MirelkHookPicture *picture, int pixelFormat, int width, int height, int64_t pts)
{
    PictureTextHook *hook = context;
    if (hook == NULL || picture == NULL) return;
    hook_placement_draw(&hook->item, picture, pixelFormat, width, height, hook->frameNumber, pts);
    ++hook->frameNumber;
}

void Release(void *context)
{
    PictureTextHook *hook = context;
    if (hook == NULL) return;
    hook_placement_free(&hook->item);
    free(hook);
}
