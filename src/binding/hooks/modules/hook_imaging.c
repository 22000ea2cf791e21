/* Loading pictures and drawing texts with imlib2, one caller at a time. */
#include "hook_imaging.h"

#include <Imlib2.h>
#include <ctype.h>
#include <dirent.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

enum { kStyleBoldInFile = 1, kStyleSlantInFile = 2 };

static pthread_mutex_t g_imagingLock = PTHREAD_MUTEX_INITIALIZER;
static int g_imagingPrepared = 0;

/* Takes the lock. imlib2 must keep nothing cached behind our back: the pictures and fonts are
 * copied out and freed at once, and a changed file must be read afresh. */
static void EnterImaging(void)
{
    pthread_mutex_lock(&g_imagingLock);
    if (!g_imagingPrepared) {
        imlib_set_cache_size(0);
        imlib_set_font_cache_size(0);
        g_imagingPrepared = 1;
    }
}

static void LeaveImaging(void) { pthread_mutex_unlock(&g_imagingLock); }

static int Explain(char *reason, size_t reasonSize, const char *format, ...) __attribute__((format(printf, 3, 4)));

static int Explain(char *reason, size_t reasonSize, const char *format, ...)
{
    if (reason != NULL && reasonSize > 0) {
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(reason, reasonSize, format, arguments);
        va_end(arguments);
    }
    return 1;
}

int hook_parse_text_style(const char *letters, HookTextStyle *style)
{
    HookTextStyle parsed = {0, 0, 0, 0};
    for (const char *c = letters; c != NULL && *c != '\0'; ++c) {
        switch (toupper((unsigned char)*c)) {
        case 'B': parsed.bold = 1; break;
        case 'I': parsed.italic = 1; break;
        case 'U': parsed.underline = 1; break;
        case 'S': parsed.strikeout = 1; break;
        default: return 1;
        }
    }
    *style = parsed;
    return 0;
}

static int IsRegularFile(const char *path)
{
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

/* Equal without regard to case and blanks. */
static int SameFontName(const char *a, const char *b)
{
    for (;;) {
        while (*a == ' ') ++a;
        while (*b == ' ') ++b;
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return 0;
        if (*a == '\0') return 1;
        ++a;
        ++b;
    }
}

/* Looks in folder for a file whose name is wanted (see SameFontName); writes its path. */
static int FindInFolder(const char *folder, const char *wanted, char *path, size_t pathSize)
{
    DIR *directory = opendir(folder);
    if (directory == NULL) return 0;
    int found = 0;
    struct dirent *entry;
    while (!found && (entry = readdir(directory)) != NULL) {
        if (!SameFontName(entry->d_name, wanted)) continue;
        const int length = snprintf(path, pathSize, "%s/%s", folder, entry->d_name);
        found = length > 0 && (size_t)length < pathSize && IsRegularFile(path);
    }
    closedir(directory);
    return found;
}

/* The styled variants of a family in the font folder, best first, with what each brings. */
static int FindStyled(const char *family, const HookTextStyle *style, char *path, size_t pathSize, int *styleInFile)
{
    static const struct {
        const char *suffix;
        int bold, slant;
    } kVariants[] = {
        {"-BoldOblique", 1, 1}, {"-BoldItalic", 1, 1}, {"-Bold", 1, 0}, {"-Oblique", 0, 1}, {"-Italic", 0, 1}, {"", 0, 0},
    };
    char wanted[512];
    for (size_t i = 0; i < sizeof kVariants / sizeof kVariants[0]; ++i) {
        if (kVariants[i].bold && !style->bold) continue;
        if (kVariants[i].slant && !style->italic) continue;
        const int length = snprintf(wanted, sizeof wanted, "%s%s.ttf", family, kVariants[i].suffix);
        if (length < 0 || (size_t)length >= sizeof wanted) continue;
        if (FindInFolder(HOOK_FONT_FOLDER, wanted, path, pathSize)) {
            *styleInFile = (kVariants[i].bold ? kStyleBoldInFile : 0) | (kVariants[i].slant ? kStyleSlantInFile : 0);
            return 1;
        }
    }
    return 0;
}

int hook_find_font(const char *fontName, const HookTextStyle *style, const char *moduleFolder, char *path,
                   size_t pathSize, int *styleInFile, char *reason, size_t reasonSize)
{
    const HookTextStyle plain = {0, 0, 0, 0};
    if (style == NULL) style = &plain;
    int inFile = 0;
    if (styleInFile == NULL) styleInFile = &inFile;
    *styleInFile = 0;
    if (fontName == NULL || *fontName == '\0') fontName = HOOK_DEFAULT_FONT;

    if (strchr(fontName, '/') != NULL) {
        if (!IsRegularFile(fontName)) return Explain(reason, reasonSize, "font file %s not found", fontName);
        const int length = snprintf(path, pathSize, "%s", fontName);
        if (length < 0 || (size_t)length >= pathSize) return Explain(reason, reasonSize, "font path too long");
        return 0;
    }

    char family[256];
    const int familyLength = snprintf(family, sizeof family, "%s", fontName);
    if (familyLength < 0 || (size_t)familyLength >= sizeof family)
        return Explain(reason, reasonSize, "font name too long");
    const size_t length = strlen(family);
    if (length > 4 && (SameFontName(family + length - 4, ".ttf") || SameFontName(family + length - 4, ".otf")))
        family[length - 4] = '\0';

    char withEnding[300];
    snprintf(withEnding, sizeof withEnding, "%s.ttf", family);
    if (moduleFolder != NULL && *moduleFolder != '\0' &&
        (FindInFolder(moduleFolder, fontName, path, pathSize) || FindInFolder(moduleFolder, withEnding, path, pathSize)))
        return 0;
    if (FindStyled(family, style, path, pathSize, styleInFile)) return 0;
    if (FindStyled(HOOK_DEFAULT_FONT, style, path, pathSize, styleInFile)) return 0;
    return Explain(reason, reasonSize, "no font file for \"%s\" (nor %s in %s)", fontName, HOOK_DEFAULT_FONT,
                   HOOK_FONT_FOLDER);
}

int hook_load_picture(const char *path, HookOverlay *overlay, char *reason, size_t reasonSize)
{
    overlay->width = overlay->height = 0;
    overlay->rgba = NULL;
    if (path == NULL || !IsRegularFile(path)) return Explain(reason, reasonSize, "picture file %s not found", path);

    EnterImaging();
    int error = 0;
    Imlib_Image image = imlib_load_image_with_errno_return(path, &error);
    if (image == NULL) {
        Explain(reason, reasonSize, "cannot read picture %s: %s", path, imlib_strerror(error));
        LeaveImaging();
        return 1;
    }
    imlib_context_set_image(image);
    const int width = imlib_image_get_width();
    const int height = imlib_image_get_height();
    const int hasAlpha = imlib_image_has_alpha();
    const uint32_t *pixels = imlib_image_get_data_for_reading_only();
    int failed = 0;
    if (pixels == NULL)
        failed = Explain(reason, reasonSize, "cannot read the pixels of %s", path);
    else if (hook_overlay_create(overlay, width, height) != 0)
        failed = Explain(reason, reasonSize, "picture %s is %dx%d: too large (at most %d a side) or out of memory",
                         path, width, height, HOOK_OVERLAY_MAXIMUM_SIDE);
    if (!failed) {
        const size_t count = (size_t)width * (size_t)height;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t argb = pixels[i];
            uint8_t *pixel = overlay->rgba + 4 * i;
            pixel[0] = (uint8_t)(argb >> 16);
            pixel[1] = (uint8_t)(argb >> 8);
            pixel[2] = (uint8_t)argb;
            pixel[3] = hasAlpha ? (uint8_t)(argb >> 24) : 255;
        }
    }
    imlib_free_image_and_decache();
    LeaveImaging();
    return failed;
}

/* How much of each pixel the text covers, 0 to 255. */
typedef struct Coverage {
    int width;
    int height;
    uint8_t *values;
} Coverage;

static int RasteriseText(const char *text, const char *fontPath, int fontSize, Coverage *coverage, int *baseline,
                         int *ascent, char *reason, size_t reasonSize)
{
    char fontSpecification[4200];
    const int length = snprintf(fontSpecification, sizeof fontSpecification, "%s/%d", fontPath, fontSize);
    if (length < 0 || (size_t)length >= sizeof fontSpecification) return Explain(reason, reasonSize, "font path too long");

    EnterImaging();
    Imlib_Font font = imlib_load_font(fontSpecification);
    if (font == NULL) {
        LeaveImaging();
        return Explain(reason, reasonSize, "cannot load font %s", fontPath);
    }
    imlib_context_set_font(font);
    imlib_context_set_direction(IMLIB_TEXT_TO_RIGHT);
    int width = 0, height = 0;
    imlib_get_text_size(text, &width, &height);
    *baseline = imlib_get_maximum_font_ascent();
    *ascent = imlib_get_font_ascent();
    int failed = 0;
    if (width < 1 || height < 1 || width > HOOK_OVERLAY_MAXIMUM_SIDE || height > HOOK_OVERLAY_MAXIMUM_SIDE)
        failed = Explain(reason, reasonSize, "text of %dx%d pixels cannot be drawn", width, height);
    /* The last glyph may reach beyond the text's advance: drawn with room to spare, and the
     * width then taken up to its last ink. */
    const int advance = width;
    width += height / 2 + 2;
    Imlib_Image image = failed ? NULL : imlib_create_image(width, height);
    if (!failed && image == NULL) failed = Explain(reason, reasonSize, "out of memory for the text");
    if (!failed) {
        /* White on opaque black: the green channel then holds the coverage. */
        imlib_context_set_image(image);
        imlib_image_set_has_alpha(0);
        imlib_context_set_anti_alias(1);
        imlib_context_set_blend(0);
        imlib_context_set_color(0, 0, 0, 255);
        imlib_image_fill_rectangle(0, 0, width, height);
        imlib_context_set_blend(1);
        imlib_context_set_color(255, 255, 255, 255);
        imlib_text_draw(0, 0, text);
        const uint32_t *pixels = imlib_image_get_data_for_reading_only();
        int inkWidth = advance;
        for (int y = 0; pixels != NULL && y < height; ++y)
            for (int x = inkWidth; x < width; ++x)
                if ((uint8_t)(pixels[(size_t)y * (size_t)width + (size_t)x] >> 8) != 0) inkWidth = x + 1;
        coverage->values = pixels != NULL ? malloc((size_t)inkWidth * (size_t)height) : NULL;
        if (coverage->values == NULL) {
            failed = Explain(reason, reasonSize, "out of memory for the text");
        } else {
            coverage->width = inkWidth;
            coverage->height = height;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < inkWidth; ++x)
                    coverage->values[(size_t)y * (size_t)inkWidth + (size_t)x] =
                        (uint8_t)(pixels[(size_t)y * (size_t)width + (size_t)x] >> 8);
        }
        imlib_free_image();
    }
    imlib_free_font();
    LeaveImaging();
    return failed;
}

/* Replaces the coverage by one widened by extraWidth columns in which, for a slant, each row
 * is shifted right by a quarter of its height above the bottom row and, for bold, each row is
 * merged with itself one column further right. */
static int Reshape(Coverage *coverage, int extraWidth, int slant, int embolden)
{
    const int width = coverage->width + extraWidth;
    uint8_t *values = calloc((size_t)width * (size_t)coverage->height, 1);
    if (values == NULL) return 1;
    for (int y = 0; y < coverage->height; ++y) {
        const int shift = slant ? (coverage->height - 1 - y) / 4 : 0;
        const uint8_t *from = coverage->values + (size_t)y * (size_t)coverage->width;
        uint8_t *to = values + (size_t)y * (size_t)width;
        for (int x = 0; x < coverage->width; ++x) {
            uint8_t *target = to + x + shift;
            if (from[x] > *target) *target = from[x];
            if (embolden && from[x] > target[1]) target[1] = from[x];
        }
    }
    free(coverage->values);
    coverage->values = values;
    coverage->width = width;
    return 0;
}

/* A full-coverage band of thickness rows from row top, growing the coverage downward if need be. */
static int DrawBand(Coverage *coverage, int top, int thickness)
{
    if (top < 0) top = 0;
    if (top + thickness > coverage->height) {
        const int height = top + thickness;
        uint8_t *values = realloc(coverage->values, (size_t)coverage->width * (size_t)height);
        if (values == NULL) return 1;
        memset(values + (size_t)coverage->width * (size_t)coverage->height, 0,
               (size_t)coverage->width * (size_t)(height - coverage->height));
        coverage->values = values;
        coverage->height = height;
    }
    memset(coverage->values + (size_t)coverage->width * (size_t)top, 255, (size_t)coverage->width * (size_t)thickness);
    return 0;
}

int hook_render_text(const char *text, const char *fontPath, int fontSize, const HookTextStyle *style,
                     int styleInFile, const uint8_t rgb[3], HookOverlay *overlay, char *reason, size_t reasonSize)
{
    overlay->width = overlay->height = 0;
    overlay->rgba = NULL;
    if (text == NULL || *text == '\0') return Explain(reason, reasonSize, "the text is empty");
    if (fontSize < 1) return Explain(reason, reasonSize, "font size %d is too small", fontSize);
    Coverage coverage = {0, 0, NULL};
    int baseline = 0, ascent = 0;
    if (RasteriseText(text, fontPath, fontSize, &coverage, &baseline, &ascent, reason, reasonSize) != 0) return 1;

    const int embolden = style->bold && !(styleInFile & kStyleBoldInFile);
    const int slant = style->italic && !(styleInFile & kStyleSlantInFile);
    int failed = 0;
    if (embolden || slant)
        failed = Reshape(&coverage, (embolden ? 1 : 0) + (slant ? (coverage.height - 1) / 4 : 0), slant, embolden);
    const int thickness = coverage.height / 20 > 1 ? coverage.height / 20 : 1;
    if (!failed && style->underline) failed = DrawBand(&coverage, baseline + thickness, thickness);
    if (!failed && style->strikeout) failed = DrawBand(&coverage, baseline - ascent * 35 / 100 - thickness / 2, thickness);
    if (!failed) failed = hook_overlay_create(overlay, coverage.width, coverage.height);
    if (failed) {
        free(coverage.values);
        return Explain(reason, reasonSize, "text too large or out of memory");
    }
    const size_t count = (size_t)coverage.width * (size_t)coverage.height;
    for (size_t i = 0; i < count; ++i) {
        uint8_t *pixel = overlay->rgba + 4 * i;
        pixel[0] = rgb[0];
        pixel[1] = rgb[1];
        pixel[2] = rgb[2];
        pixel[3] = coverage.values[i];
    }
    free(coverage.values);
    return 0;
}
