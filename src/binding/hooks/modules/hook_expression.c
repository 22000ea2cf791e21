/* A recursive-descent evaluator for the position expressions of the hook modules. */
#include "hook_expression.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

enum {
    /* Deeper nesting than this (counting each parenthesis, sign and power) is refused rather
     * than risking the stack. */
    kMaximumNesting = 256,
    kMaximumArguments = 2
};

static const double kPi = 3.14159265358979323846;
static const double kEuler = 2.71828182845904523536;
/* Positions are limited to this size, far beyond any picture, so that they fit a long and
 * sums with picture sizes cannot overflow. */
static const double kPositionLimit = 1e9;

typedef struct ExpressionParser {
    const char *at;
    const HookExpressionValues *values;
    int nesting;
    int failed;
    char *reason;
    size_t reasonSize;
} ExpressionParser;

static double ParseSum(ExpressionParser *parser);

static double Fail(ExpressionParser *parser, const char *format, ...)
{
    if (!parser->failed && parser->reason != NULL && parser->reasonSize > 0) {
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(parser->reason, parser->reasonSize, format, arguments);
        va_end(arguments);
    }
    parser->failed = 1;
    return 0.0;
}

static void SkipBlanks(ExpressionParser *parser)
{
    while (*parser->at == ' ' || *parser->at == '\t') ++parser->at;
}

static int IsDigit(char c) { return c >= '0' && c <= '9'; }

static int IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

static int IsNamePart(char c) { return IsNameStart(c) || IsDigit(c); }

/* Digits, an optional fraction and an optional exponent. Read by hand: the C library's number
 * parsing follows the locale, which may use a comma. */
static double ParseNumber(ExpressionParser *parser)
{
    const char *start = parser->at;
    double value = 0.0;
    while (IsDigit(*parser->at)) value = value * 10.0 + (*parser->at++ - '0');
    if (*parser->at == '.') {
        ++parser->at;
        double scale = 0.1;
        while (IsDigit(*parser->at)) {
            value += (*parser->at++ - '0') * scale;
            scale /= 10.0;
        }
    }
    if (parser->at == start + 1 && *start == '.') return Fail(parser, "a lone '.' is not a number");
    if (*parser->at == 'e' || *parser->at == 'E') {
        const char *exponentStart = parser->at + 1;
        int negative = 0;
        if (*exponentStart == '+' || *exponentStart == '-') negative = *exponentStart++ == '-';
        if (IsDigit(*exponentStart)) {
            int exponent = 0;
            parser->at = exponentStart;
            while (IsDigit(*parser->at)) {
                if (exponent < 10000) exponent = exponent * 10 + (*parser->at - '0');
                ++parser->at;
            }
            value *= pow(10.0, negative ? -exponent : exponent);
        }
    }
    return value;
}

static int NameIs(const char *name, size_t length, const char *candidate)
{
    return strlen(candidate) == length && strncmp(name, candidate, length) == 0;
}

static double VariableValue(ExpressionParser *parser, const char *name, size_t length)
{
    const HookExpressionValues *values = parser->values;
    if (NameIs(name, length, "W")) return values->frameWidth;
    if (NameIs(name, length, "H")) return values->frameHeight;
    if (NameIs(name, length, "w")) return values->itemWidth;
    if (NameIs(name, length, "h")) return values->itemHeight;
    if (NameIs(name, length, "N")) return values->frameNumber;
    if (NameIs(name, length, "T")) return values->seconds;
    if (NameIs(name, length, "PI")) return kPi;
    if (NameIs(name, length, "E")) return kEuler;
    return Fail(parser, "unknown name \"%.*s\"", (int)length, name);
}

typedef struct ExpressionFunction {
    const char *name;
    int argumentCount;
    double (*one)(double);
    double (*two)(double, double);
} ExpressionFunction;

static double Smaller(double a, double b) { return a < b ? a : b; }
static double Larger(double a, double b) { return a > b ? a : b; }

static const ExpressionFunction kFunctions[] = {
    {"sin", 1, sin, NULL},    {"cos", 1, cos, NULL},     {"tan", 1, tan, NULL},     {"asin", 1, asin, NULL},
    {"acos", 1, acos, NULL},  {"atan", 1, atan, NULL},   {"sqrt", 1, sqrt, NULL},   {"abs", 1, fabs, NULL},
    {"floor", 1, floor, NULL}, {"ceil", 1, ceil, NULL},  {"round", 1, round, NULL}, {"exp", 1, exp, NULL},
    {"log", 1, log, NULL},    {"min", 2, NULL, Smaller}, {"max", 2, NULL, Larger},  {"pow", 2, NULL, pow},
    {"atan2", 2, NULL, atan2}, {"mod", 2, NULL, fmod},
};

static double CallFunction(ExpressionParser *parser, const char *name, size_t length)
{
    const ExpressionFunction *function = NULL;
    for (size_t i = 0; i < sizeof kFunctions / sizeof kFunctions[0]; ++i)
        if (NameIs(name, length, kFunctions[i].name)) function = &kFunctions[i];
    if (function == NULL) return Fail(parser, "unknown function \"%.*s\"", (int)length, name);

    ++parser->at; /* the '(' */
    double arguments[kMaximumArguments] = {0.0, 0.0};
    int count = 0;
    SkipBlanks(parser);
    if (*parser->at != ')') {
        for (;;) {
            const double value = ParseSum(parser);
            if (parser->failed) return 0.0;
            if (count < kMaximumArguments) arguments[count] = value;
            ++count;
            SkipBlanks(parser);
            if (*parser->at != ',') break;
            ++parser->at;
        }
    }
    if (*parser->at != ')') return Fail(parser, "missing ')' after the arguments of %s", function->name);
    ++parser->at;
    if (count != function->argumentCount)
        return Fail(parser, "%s takes %d argument(s), not %d", function->name, function->argumentCount, count);
    return function->argumentCount == 1 ? function->one(arguments[0]) : function->two(arguments[0], arguments[1]);
}

static double ParseUnary(ExpressionParser *parser);

static double ParsePrimary(ExpressionParser *parser)
{
    SkipBlanks(parser);
    const char c = *parser->at;
    if (IsDigit(c) || c == '.') return ParseNumber(parser);
    if (c == '(') {
        ++parser->at;
        const double value = ParseSum(parser);
        if (parser->failed) return 0.0;
        SkipBlanks(parser);
        if (*parser->at != ')') return Fail(parser, "missing ')'");
        ++parser->at;
        return value;
    }
    if (IsNameStart(c)) {
        const char *name = parser->at;
        while (IsNamePart(*parser->at)) ++parser->at;
        const size_t length = (size_t)(parser->at - name);
        SkipBlanks(parser);
        if (*parser->at == '(') return CallFunction(parser, name, length);
        return VariableValue(parser, name, length);
    }
    if (c == '\0') return Fail(parser, "the expression ends too early");
    return Fail(parser, "unexpected '%c'", c);
}

/* primary ('^' unary)? — right-associative, and binding tighter than a sign before it. */
static double ParsePower(ExpressionParser *parser)
{
    const double base = ParsePrimary(parser);
    if (parser->failed) return 0.0;
    SkipBlanks(parser);
    if (*parser->at != '^') return base;
    ++parser->at;
    const double exponent = ParseUnary(parser);
    return parser->failed ? 0.0 : pow(base, exponent);
}

/* Signs, then a power; every operand passes here, so the nesting count bounds the recursion
 * through signs, powers and parentheses alike. */
static double ParseUnary(ExpressionParser *parser)
{
    if (++parser->nesting > kMaximumNesting) return Fail(parser, "the expression is nested too deeply");
    SkipBlanks(parser);
    double value = 0.0;
    if (*parser->at == '-' || *parser->at == '+') {
        const int negative = *parser->at == '-';
        ++parser->at;
        value = ParseUnary(parser);
        if (negative) value = -value;
    } else {
        value = ParsePower(parser);
    }
    --parser->nesting;
    return value;
}

static double ParseProduct(ExpressionParser *parser)
{
    double value = ParseUnary(parser);
    for (;;) {
        if (parser->failed) return 0.0;
        SkipBlanks(parser);
        const char operation = *parser->at;
        if (operation != '*' && operation != '/' && operation != '%') return value;
        ++parser->at;
        const double right = ParseUnary(parser);
        if (operation == '*')
            value *= right;
        else if (operation == '/')
            value /= right;
        else
            value = fmod(value, right);
    }
}

static double ParseSum(ExpressionParser *parser)
{
    if (++parser->nesting > kMaximumNesting) return Fail(parser, "the expression is nested too deeply");
    double value = ParseProduct(parser);
    for (;;) {
        if (parser->failed) break;
        SkipBlanks(parser);
        const char operation = *parser->at;
        if (operation != '+' && operation != '-') break;
        ++parser->at;
        const double right = ParseProduct(parser);
        value = operation == '+' ? value + right : value - right;
    }
    --parser->nesting;
    return value;
}

int hook_expression_evaluate(const char *text, const HookExpressionValues *values, double *result, char *reason,
                             size_t reasonSize)
{
    if (reason != NULL && reasonSize > 0) reason[0] = '\0';
    ExpressionParser parser = {text, values, 0, 0, reason, reasonSize};
    if (text == NULL || values == NULL || result == NULL) {
        Fail(&parser, "no expression");
        return 1;
    }
    const double value = ParseSum(&parser);
    if (!parser.failed) {
        SkipBlanks(&parser);
        if (*parser.at != '\0') Fail(&parser, "unexpected '%c'", *parser.at);
    }
    if (parser.failed) return 1;
    *result = value;
    return 0;
}

int hook_expression_check(const char *text, char *reason, size_t reasonSize)
{
    const HookExpressionValues sample = {640.0, 480.0, 64.0, 48.0, 0.0, 0.0};
    double ignored = 0.0;
    return hook_expression_evaluate(text, &sample, &ignored, reason, reasonSize);
}

int hook_expression_to_position(double value, long *position)
{
    if (!isfinite(value)) return 0;
    if (value > kPositionLimit) value = kPositionLimit;
    if (value < -kPositionLimit) value = -kPositionLimit;
    *position = lround(value);
    return 1;
}
