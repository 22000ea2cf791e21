/* Position expressions of the hook modules, e.g. "(W-w)*(0.5+0.5*sin(N/47*PI))".
 *
 * Numbers (decimal point, optional exponent; never the locale's separator), the operators
 * + - * / % ^ (power, right-associative) with the usual precedence, unary + and -,
 * parentheses, and these names:
 *   W, H   width and height of the frame       w, h   width and height of what is drawn
 *   N      number of the frame, from 0          T      presentation time in seconds
 *   PI, E  the constants
 *   one argument:  sin cos tan asin acos atan sqrt abs floor ceil round exp log
 *   two arguments: min max pow atan2 mod
 * Names are case-sensitive. The text is evaluated afresh for every frame; it keeps no state. */
#ifndef MIRELK_HOOK_EXPRESSION_H
#define MIRELK_HOOK_EXPRESSION_H

#include <stddef.h>

#include "hook_support_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct HookExpressionValues {
    double frameWidth;    /* W */
    double frameHeight;   /* H */
    double itemWidth;     /* w */
    double itemHeight;    /* h */
    double frameNumber;   /* N */
    double seconds;       /* T */
} HookExpressionValues;

/* Evaluates text with the given values. Returns 0 and stores the value (which may be infinite
 * or not a number, e.g. after a division by zero) in *result; on a syntax error returns
 * non-zero and writes the reason into reason (when it is not null). */
MIRELK_HOOK_SUPPORT_API int hook_expression_evaluate(const char *text, const HookExpressionValues *values,
                                                     double *result, char *reason, size_t reasonSize);

/* Checks the syntax of text once, with sample values. Returns 0 when it is well formed. */
MIRELK_HOOK_SUPPORT_API int hook_expression_check(const char *text, char *reason, size_t reasonSize);

/* Turns an evaluated coordinate into a whole pixel position: rounded to the nearest integer
 * and limited to a range no picture reaches. Returns 0 for a value that is not finite (the item
 * is then not drawn). */
MIRELK_HOOK_SUPPORT_API int hook_expression_to_position(double value, long *position);

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_HOOK_EXPRESSION_H */
