#include "myutil.h"

#include <stdlib.h>
#include <string.h>

#define MY_EXPORT __attribute__((visibility("default")))

MY_EXPORT FILE *my_fopen(const char *path, const char *mode) { return fopen(path, mode); }

MY_EXPORT int my_fclose(FILE *stream) { return fclose(stream); }

MY_EXPORT int my_fprintf(FILE *stream, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vfprintf(stream, format, args);
    va_end(args);
    return written;
}

MY_EXPORT size_t my_fread(void *buffer, size_t size, size_t count, FILE *stream)
{
    return fread(buffer, size, count, stream);
}

MY_EXPORT size_t my_fwrite(const void *buffer, size_t size, size_t count, FILE *stream)
{
    return fwrite(buffer, size, count, stream);
}

MY_EXPORT int my_fseek(FILE *stream, long offset, int origin) { return fseek(stream, offset, origin); }

MY_EXPORT long my_ftell(FILE *stream) { return ftell(stream); }

MY_EXPORT int my_snprintf(char *buffer, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vsnprintf(buffer, size, format, args);
    va_end(args);
    return written;
}

MY_EXPORT int my_vsnprintf(char *buffer, size_t size, const char *format, va_list args)
{
    return vsnprintf(buffer, size, format, args);
}

MY_EXPORT double my_strtod(const char *text, char **end) { return strtod(text, end); }

MY_EXPORT long my_strtol(const char *text, char **end, int base) { return strtol(text, end, base); }

MY_EXPORT char *my_strtok(char *text, const char *delimiters)
{
    static _Thread_local char *position;
    return strtok_r(text, delimiters, &position);
}
