/* Overlays at positions given by expressions. */
#include "hook_placement.h"

#include <stdlib.h>

#include "hook_arguments.h"
#include "hook_expression.h"

int hook_placement_set_position(HookPlacement *placement, const char *modulePath, const char *left, const char *top)
{
    char reason[256];
    if (hook_expression_check(left, reason, sizeof reason) != 0) {
        hook_report(modulePath, "bad position \"%s\": %s", left, reason);
        return 1;
    }
    if (hook_expression_check(top, reason, sizeof reason) != 0) {
        hook_report(modulePath, "bad position \"%s\": %s", top, reason);
        return 1;
    }
    free(placement->leftExpression);
    free(placement->topExpression);
    placement->leftExpression = hook_copy_text(left);
    placement->topExpression = hook_copy_text(top);
    if (placement->leftExpression == NULL || placement->topExpression == NULL) {
        hook_report(modulePath, "out of memory");
        return 1;
    }
    return 0;
}

void hook_placement_draw(const HookPlacement *placement, MirelkHookPicture *picture, int pixelFormat, int width,
                         int height, int64_t frameNumber, int64_t pts)
{
    HookPictureLayout layout;
    if (placement->overlay.rgba == NULL || !hook_picture_layout(pixelFormat, &layout)) return;
    const HookExpressionValues values = {
        (double)width,       (double)height,           (double)placement->overlay.width, (double)placement->overlay.height,
        (double)frameNumber, (double)pts / 1000000.0,
    };
    double leftValue = 0.0, topValue = 0.0;
    long left = 0, top = 0;
    if (hook_expression_evaluate(placement->leftExpression, &values, &leftValue, NULL, 0) != 0 ||
        hook_expression_evaluate(placement->topExpression, &values, &topValue, NULL, 0) != 0 ||
        !hook_expression_to_position(leftValue, &left) || !hook_expression_to_position(topValue, &top))
        return;
    hook_overlay_draw(&placement->overlay, picture, &layout, width, height, left, top, HOOK_BLEND_OVER, 255);
}

void hook_placement_free(HookPlacement *placement)
{
    hook_overlay_free(&placement->overlay);
    free(placement->leftExpression);
    free(placement->topExpression);
    placement->leftExpression = NULL;
    placement->topExpression = NULL;
}
