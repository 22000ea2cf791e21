/* Argument reading shared by the hook modules. */
#include "hook_arguments.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *FileNameOf(const char *path)
{
    if (path == NULL) return "hook module";
    const char *slash = strrchr(path, '/');
    return slash != NULL ? slash + 1 : path;
}

void hook_report(const char *modulePath, const char *format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    /* One call, so that lines of tasks configured at the same time do not interleave. */
    fprintf(stderr, "%s: %s\n", FileNameOf(modulePath), text);
}

static const HookOption *FindOption(const char *name, const HookOption *options, size_t count)
{
    for (size_t k = 0; k < count; ++k)
        if (strcmp(name, options[k].name) == 0) return &options[k];
    return NULL;
}

/* Appends a blank (unless words is empty) and the word; 0 on success, 1 when it does not fit. */
static int AppendWord(const HookOption *option, const char *word)
{
    const size_t length = strlen(option->words);
    const size_t blank = length > 0 ? 1 : 0;
    const size_t wordLength = strlen(word);
    if (length + blank + wordLength >= option->wordsSize) return 1;
    if (blank) option->words[length] = ' ';
    memcpy(option->words + length + blank, word, wordLength + 1);
    return 0;
}

int hook_read_options(int argc, char *argv[], const HookOption *options, size_t count)
{
    const char *module = argc > 0 ? argv[0] : NULL;
    const HookOption *joining = NULL;
    for (int i = 1; i < argc;) {
        const HookOption *option = FindOption(argv[i], options, count);
        if (option == NULL && joining != NULL) {
            if (AppendWord(joining, argv[i]) != 0) {
                hook_report(module, "the text of %s is too long", joining->name);
                return 1;
            }
            ++i;
            continue;
        }
        joining = NULL;
        if (option == NULL) {
            hook_report(module, "unknown option \"%s\"", argv[i]);
            return 1;
        }
        if (i + 1 >= argc) {
            hook_report(module, "option %s needs a value", argv[i]);
            return 1;
        }
        if (option->words != NULL && option->wordsSize > 0) {
            option->words[0] = '\0';
            if (AppendWord(option, argv[i + 1]) != 0) {
                hook_report(module, "the text of %s is too long", option->name);
                return 1;
            }
            *option->value = option->words;
            joining = option;
        } else {
            *option->value = argv[i + 1];
        }
        i += 2;
    }
    return 0;
}

int hook_parse_integer(const char *text, long lowest, long highest, long *value)
{
    if (text == NULL || *text == '\0') return 1;
    for (const char *c = text; *c != '\0'; ++c)
        if (!((*c >= '0' && *c <= '9') || (c == text && (*c == '-' || *c == '+')))) return 1;
    errno = 0;
    char *end = NULL;
    const long parsed = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < lowest || parsed > highest) return 1;
    *value = parsed;
    return 0;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int hook_parse_colour(const char *text, uint8_t rgb[3])
{
    if (text == NULL) return 1;
    if (*text == '#') ++text;
    if (strlen(text) != 6) return 1;
    for (int channel = 0; channel < 3; ++channel) {
        const int high = HexDigit(text[2 * channel]);
        const int low = HexDigit(text[2 * channel + 1]);
        if (high < 0 || low < 0) return 1;
        rgb[channel] = (uint8_t)(high * 16 + low);
    }
    return 0;
}

int hook_folder_of(const char *path, char *folder, size_t folderSize)
{
    if (folderSize == 0) return 1;
    folder[0] = '\0';
    if (path == NULL) return 0;
    const char *slash = strrchr(path, '/');
    if (slash == NULL) return 0;
    const size_t length = slash == path ? 1 : (size_t)(slash - path);
    if (length >= folderSize) return 1;
    memcpy(folder, path, length);
    folder[length] = '\0';
    return 0;
}

char *hook_copy_text(const char *text)
{
    const size_t size = strlen(text) + 1;
    char *copy = malloc(size);
    if (copy != NULL) memcpy(copy, text, size);
    return copy;
}

int hook_configure_context(void **contextSlot, size_t size, int argc, char *argv[],
                           int (*configure)(void *context, int argc, char *argv[]), void (*release)(void *context))
{
    if (contextSlot == NULL || argc < 1 || argv == NULL) return 1;
    void *context = calloc(1, size);
    if (context == NULL) {
        hook_report(argv[0], "out of memory");
        return 1;
    }
    if (configure(context, argc, argv) != 0) {
        release(context);
        return 1;
    }
    *contextSlot = context;
    return 0;
}
