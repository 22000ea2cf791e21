/* Overlays and their drawing into planar YUV pictures. */
#include "hook_overlay.h"

#include <libavutil/pixfmt.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

int hook_overlay_create(HookOverlay *overlay, int width, int height)
{
    overlay->width = 0;
    overlay->height = 0;
    overlay->rgba = NULL;
    if (width < 1 || height < 1 || width > HOOK_OVERLAY_MAXIMUM_SIDE || height > HOOK_OVERLAY_MAXIMUM_SIDE)
        return 1;
    overlay->rgba = calloc((size_t)width * (size_t)height, 4);
    if (overlay->rgba == NULL) return 1;
    overlay->width = width;
    overlay->height = height;
    return 0;
}

void hook_overlay_free(HookOverlay *overlay)
{
    free(overlay->rgba);
    overlay->rgba = NULL;
    overlay->width = 0;
    overlay->height = 0;
}

void hook_overlay_clear_colour(HookOverlay *overlay, uint8_t red, uint8_t green, uint8_t blue)
{
    const size_t count = (size_t)overlay->width * (size_t)overlay->height;
    for (size_t i = 0; i < count; ++i) {
        uint8_t *pixel = overlay->rgba + 4 * i;
        if (pixel[0] == red && pixel[1] == green && pixel[2] == blue) pixel[3] = 0;
    }
}

int hook_overlay_scale(const HookOverlay *source, int width, int height, HookOverlay *target)
{
    hook_overlay_free(target);
    if (source->rgba == NULL || hook_overlay_create(target, width, height) != 0) return 1;
    for (int y = 0; y < height; ++y) {
        const int64_t sourceY = ((int64_t)2 * y + 1) * source->height / ((int64_t)2 * height);
        for (int x = 0; x < width; ++x) {
            const int64_t sourceX = ((int64_t)2 * x + 1) * source->width / ((int64_t)2 * width);
            memcpy(target->rgba + 4 * ((size_t)y * (size_t)width + (size_t)x),
                   source->rgba + 4 * ((size_t)sourceY * (size_t)source->width + (size_t)sourceX), 4);
        }
    }
    return 0;
}

int hook_picture_layout(int pixelFormat, HookPictureLayout *layout)
{
    static const struct {
        enum AVPixelFormat format;
        HookPictureLayout layout;
    } kLayouts[] = {
        {AV_PIX_FMT_YUV420P, {1, 1, 0}},  {AV_PIX_FMT_YUVJ420P, {1, 1, 1}}, {AV_PIX_FMT_YUVA420P, {1, 1, 0}},
        {AV_PIX_FMT_YUV422P, {1, 0, 0}},  {AV_PIX_FMT_YUVJ422P, {1, 0, 1}}, {AV_PIX_FMT_YUVA422P, {1, 0, 0}},
        {AV_PIX_FMT_YUV444P, {0, 0, 0}},  {AV_PIX_FMT_YUVJ444P, {0, 0, 1}}, {AV_PIX_FMT_YUVA444P, {0, 0, 0}},
        {AV_PIX_FMT_YUV411P, {2, 0, 0}},  {AV_PIX_FMT_YUVJ411P, {2, 0, 1}}, {AV_PIX_FMT_YUV440P, {0, 1, 0}},
        {AV_PIX_FMT_YUVJ440P, {0, 1, 1}}, {AV_PIX_FMT_YUV410P, {2, 2, 0}},
    };
    for (size_t i = 0; i < sizeof kLayouts / sizeof kLayouts[0]; ++i) {
        if ((int)kLayouts[i].format == pixelFormat) {
            *layout = kLayouts[i].layout;
            return 1;
        }
    }
    return 0;
}

/* ITU-R BT.601 in fixed point. Every sum is made non-negative before the shift. */
typedef struct YuvSample {
    int y, u, v;
} YuvSample;

static YuvSample RgbToYuv(int fullRange, int red, int green, int blue)
{
    YuvSample sample;
    if (fullRange) {
        sample.y = (19595 * red + 38470 * green + 7471 * blue + 32768) >> 16;
        sample.u = (-11059 * red - 21709 * green + 32768 * blue + (128 << 16) + 32768) >> 16;
        sample.v = (32768 * red - 27439 * green - 5329 * blue + (128 << 16) + 32768) >> 16;
    } else {
        sample.y = ((66 * red + 129 * green + 25 * blue + 128) >> 8) + 16;
        sample.u = (-38 * red - 74 * green + 112 * blue + (128 << 8) + 128) >> 8;
        sample.v = (112 * red - 94 * green - 18 * blue + (128 << 8) + 128) >> 8;
    }
    if (sample.u > 255) sample.u = 255;
    if (sample.v > 255) sample.v = 255;
    return sample;
}

static int Clamp(int value, int lowest, int highest)
{
    return value < lowest ? lowest : value > highest ? highest : value;
}

static long Larger(long a, long b) { return a > b ? a : b; }
static long Smaller(long a, long b) { return a < b ? a : b; }

/* numerator / denominator rounded to the nearest integer, halves away from zero; denominator > 0. */
static int64_t RoundedQuotient(int64_t numerator, int64_t denominator)
{
    return numerator >= 0 ? (numerator + denominator / 2) / denominator
                          : -((-numerator + denominator / 2) / denominator);
}

typedef struct DrawArea {
    const HookOverlay *overlay;
    const HookPictureLayout *layout;
    long left, top;        /* the overlay's corner in the picture */
    int x0, y0, x1, y1;    /* the part of the picture covered, end exclusive */
    int width, height;     /* the picture's size */
    HookBlendMode mode;
    int strength;
    YuvSample grey;
} DrawArea;

static const uint8_t *OverlayPixel(const DrawArea *area, int x, int y)
{
    const size_t row = (size_t)(y - area->top);
    const size_t column = (size_t)(x - area->left);
    return area->overlay->rgba + 4 * (row * (size_t)area->overlay->width + column);
}

static int Weight(const DrawArea *area, const uint8_t *pixel)
{
    return (pixel[3] * area->strength + 127) / 255;
}

static void DrawLuma(const DrawArea *area, uint8_t *plane, int lineSize)
{
    const int fullRange = area->layout->fullRange;
    const int lowest = fullRange ? 0 : 16;
    const int highest = fullRange ? 255 : 235;
    for (int y = area->y0; y < area->y1; ++y) {
        uint8_t *line = plane + (ptrdiff_t)y * lineSize;
        for (int x = area->x0; x < area->x1; ++x) {
            const uint8_t *pixel = OverlayPixel(area, x, y);
            const int weight = Weight(area, pixel);
            if (weight == 0) continue;
            const int drawn = RgbToYuv(fullRange, pixel[0], pixel[1], pixel[2]).y;
            if (area->mode == HOOK_BLEND_OVER) {
                line[x] = (uint8_t)((line[x] * (255 - weight) + drawn * weight + 127) / 255);
            } else {
                const int shift = (int)RoundedQuotient((int64_t)(drawn - area->grey.y) * weight, 255);
                line[x] = (uint8_t)Clamp(line[x] + shift, lowest, highest);
            }
        }
    }
}

/* Each chroma sample covers a block of picture pixels; the overlay pixels inside that block
 * are blended into it as one, weighted by their alpha, so that a partly covered block is
 * partly changed. */
static void DrawChroma(const DrawArea *area, uint8_t *planeU, int lineSizeU, uint8_t *planeV, int lineSizeV)
{
    const int shiftX = area->layout->chromaShiftX;
    const int shiftY = area->layout->chromaShiftY;
    const int fullRange = area->layout->fullRange;
    const int lowest = fullRange ? 0 : 16;
    const int highest = fullRange ? 255 : 240;
    for (int chromaY = area->y0 >> shiftY; chromaY <= (area->y1 - 1) >> shiftY; ++chromaY) {
        const int blockTop = chromaY << shiftY;
        const int blockBottom = (int)Smaller((long)(chromaY + 1) << shiftY, area->height);
        const int coveredTop = (int)Larger(blockTop, area->y0);
        const int coveredBottom = (int)Smaller(blockBottom, area->y1);
        uint8_t *lineU = planeU + (ptrdiff_t)chromaY * lineSizeU;
        uint8_t *lineV = planeV + (ptrdiff_t)chromaY * lineSizeV;
        for (int chromaX = area->x0 >> shiftX; chromaX <= (area->x1 - 1) >> shiftX; ++chromaX) {
            const int blockLeft = chromaX << shiftX;
            const int blockRight = (int)Smaller((long)(chromaX + 1) << shiftX, area->width);
            const int coveredLeft = (int)Larger(blockLeft, area->x0);
            const int coveredRight = (int)Smaller(blockRight, area->x1);
            const int64_t blockPixels = (int64_t)(blockRight - blockLeft) * (blockBottom - blockTop);
            int64_t weightSum = 0, weightedU = 0, weightedV = 0;
            for (int y = coveredTop; y < coveredBottom; ++y) {
                for (int x = coveredLeft; x < coveredRight; ++x) {
                    const uint8_t *pixel = OverlayPixel(area, x, y);
                    const int weight = Weight(area, pixel);
                    if (weight == 0) continue;
                    const YuvSample drawn = RgbToYuv(fullRange, pixel[0], pixel[1], pixel[2]);
                    weightSum += weight;
                    if (area->mode == HOOK_BLEND_OVER) {
                        weightedU += (int64_t)weight * drawn.u;
                        weightedV += (int64_t)weight * drawn.v;
                    } else {
                        weightedU += (int64_t)weight * (drawn.u - area->grey.u);
                        weightedV += (int64_t)weight * (drawn.v - area->grey.v);
                    }
                }
            }
            if (weightSum == 0) continue;
            const int64_t full = 255 * blockPixels;
            if (area->mode == HOOK_BLEND_OVER) {
                lineU[chromaX] = (uint8_t)((lineU[chromaX] * (full - weightSum) + weightedU + full / 2) / full);
                lineV[chromaX] = (uint8_t)((lineV[chromaX] * (full - weightSum) + weightedV + full / 2) / full);
            } else {
                lineU[chromaX] = (uint8_t)Clamp(lineU[chromaX] + (int)RoundedQuotient(weightedU, full), lowest, highest);
                lineV[chromaX] = (uint8_t)Clamp(lineV[chromaX] + (int)RoundedQuotient(weightedV, full), lowest, highest);
            }
        }
    }
}

void hook_overlay_draw(const HookOverlay *overlay, MirelkHookPicture *picture, const HookPictureLayout *layout,
                       int width, int height, long left, long top, HookBlendMode mode, int strength)
{
    if (overlay == NULL || overlay->rgba == NULL || picture == NULL || layout == NULL) return;
    if (width < 1 || height < 1 || strength <= 0) return;
    for (int plane = 0; plane < 3; ++plane)
        if (picture->data[plane] == NULL) return;
    DrawArea area;
    area.overlay = overlay;
    area.layout = layout;
    area.left = left;
    area.top = top;
    /* Wholly outside: settled before any sum that could overflow. */
    if (left >= width || top >= height || left <= -(long)overlay->width || top <= -(long)overlay->height) return;
    const long x0 = Larger(left, 0), x1 = Smaller(left + overlay->width, width);
    const long y0 = Larger(top, 0), y1 = Smaller(top + overlay->height, height);
    if (x0 >= x1 || y0 >= y1) return;
    area.x0 = (int)x0;
    area.x1 = (int)x1;
    area.y0 = (int)y0;
    area.y1 = (int)y1;
    area.width = width;
    area.height = height;
    area.mode = mode;
    area.strength = strength > 255 ? 255 : strength;
    area.grey = RgbToYuv(layout->fullRange, 128, 128, 128);
    area.grey.u = 128;
    area.grey.v = 128;
    DrawLuma(&area, picture->data[0], picture->linesize[0]);
    DrawChroma(&area, picture->data[1], picture->linesize[1], picture->data[2], picture->linesize[2]);
}
