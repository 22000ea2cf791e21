/* The support library: C runtime file, formatting and parsing functions under "my_" names, with
 * the semantics of the ISO C functions of the same name. The engine reaches it only through the
 * bound entry points, so the statistics files it writes and reads always go through one C
 * runtime. */
#ifndef MIRELK_MYUTIL_H
#define MIRELK_MYUTIL_H

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

FILE *my_fopen(const char *path, const char *mode);
int my_fclose(FILE *stream);
int my_fprintf(FILE *stream, const char *format, ...) __attribute__((format(printf, 2, 3)));
size_t my_fread(void *buffer, size_t size, size_t count, FILE *stream);
size_t my_fwrite(const void *buffer, size_t size, size_t count, FILE *stream);
int my_fseek(FILE *stream, long offset, int origin);
long my_ftell(FILE *stream);
int my_snprintf(char *buffer, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));
int my_vsnprintf(char *buffer, size_t size, const char *format, va_list args);
double my_strtod(const char *text, char **end);
long my_strtol(const char *text, char **end, int base);
/* Keeps its position per thread: tasks split their option values in their own threads. */
char *my_strtok(char *text, const char *delimiters);

#ifdef __cplusplus
}
#endif

#endif
