/* Draws the pictures the hook modules are offered with, at build time, into the folder given
 * as the only argument:
 *   imlib2.jpg     64x48, a bright gradient with a white disc and a light blue bar
 *   ZarnHook.bmp   48x48, a green disc with a red square on white (white is the mask colour)
 *   watermark.gif  160x120, a white ring and a dark band on mid-grey, the colour the watermark
 *                  module leaves out (also marked as the GIF's transparent colour, for viewers)
 * imlib2 draws all three and writes the first two; it has no GIF writer, so the GIF is written
 * here (uncompressed LZW codes, which every GIF reader accepts). */
#include <Imlib2.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int SaveWithImlib(Imlib_Image image, const char *folder, const char *fileName, const char *format)
{
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", folder, fileName);
    imlib_context_set_image(image);
    imlib_image_set_format(format);
    int error = 0;
    imlib_save_image_with_errno_return(path, &error);
    if (error != 0) fprintf(stderr, "cannot write %s: %s\n", path, imlib_strerror(error));
    return error != 0;
}

static Imlib_Image DrawPicturePicture(void)
{
    Imlib_Image image = imlib_create_image(64, 48);
    if (image == NULL) return NULL;
    imlib_context_set_image(image);
    imlib_image_set_has_alpha(0);
    Imlib_Color_Range range = imlib_create_color_range();
    imlib_context_set_color_range(range);
    imlib_context_set_color(255, 230, 40, 255);
    imlib_add_color_to_color_range(0);
    imlib_context_set_color(255, 110, 30, 255);
    imlib_add_color_to_color_range(64);
    imlib_image_fill_color_range_rectangle(0, 0, 64, 48, 45.0);
    imlib_free_color_range();
    imlib_context_set_color(255, 255, 255, 255);
    imlib_image_fill_ellipse(32, 24, 14, 14);
    imlib_context_set_color(120, 170, 255, 255);
    imlib_image_fill_rectangle(8, 36, 48, 6);
    return image;
}

static Imlib_Image DrawSamplePicture(void)
{
    Imlib_Image image = imlib_create_image(48, 48);
    if (image == NULL) return NULL;
    imlib_context_set_image(image);
    imlib_image_set_has_alpha(0);
    imlib_context_set_color(255, 255, 255, 255);
    imlib_image_fill_rectangle(0, 0, 48, 48);
    imlib_context_set_color(40, 160, 60, 255);
    imlib_image_fill_ellipse(24, 24, 18, 18);
    imlib_context_set_color(220, 40, 40, 255);
    imlib_image_fill_rectangle(17, 17, 14, 14);
    return image;
}

static Imlib_Image DrawWatermarkPicture(void)
{
    Imlib_Image image = imlib_create_image(160, 120);
    if (image == NULL) return NULL;
    imlib_context_set_image(image);
    imlib_image_set_has_alpha(1);
    imlib_context_set_blend(0);
    imlib_context_set_color(0, 0, 0, 0);
    imlib_image_fill_rectangle(0, 0, 160, 120);
    imlib_context_set_color(255, 255, 255, 255);
    imlib_image_fill_ellipse(80, 60, 44, 44);
    imlib_context_set_color(0, 0, 0, 0);
    imlib_image_fill_ellipse(80, 60, 32, 32);
    imlib_context_set_color(60, 60, 60, 255);
    imlib_image_fill_rectangle(20, 54, 120, 12);
    imlib_context_set_blend(1);
    return image;
}

/* Writes bits to a GIF image's data, least significant first, in sub-blocks of 255 bytes. */
typedef struct GifBitWriter {
    FILE *file;
    uint8_t block[255];
    int blockLength;
    uint32_t bits;
    int bitCount;
} GifBitWriter;

static void FlushBlock(GifBitWriter *writer)
{
    if (writer->blockLength == 0) return;
    fputc(writer->blockLength, writer->file);
    fwrite(writer->block, 1, (size_t)writer->blockLength, writer->file);
    writer->blockLength = 0;
}

static void WriteCode(GifBitWriter *writer, unsigned code, int width)
{
    writer->bits |= (uint32_t)code << writer->bitCount;
    writer->bitCount += width;
    while (writer->bitCount >= 8) {
        writer->block[writer->blockLength++] = (uint8_t)writer->bits;
        writer->bits >>= 8;
        writer->bitCount -= 8;
        if (writer->blockLength == 255) FlushBlock(writer);
    }
}

static void WriteLittleEndian16(FILE *file, int value)
{
    fputc(value & 0xff, file);
    fputc((value >> 8) & 0xff, file);
}

/* Colour index of a pixel: 0 is the neutral mid-grey that stands for "no mark" (and the
 * transparent colour), 1 to 216 a 6x6x6 colour cube. */
static unsigned PaletteIndex(uint32_t argb)
{
    if ((argb >> 24) < 128) return 0;
    const unsigned red = (((argb >> 16) & 0xff) * 5 + 127) / 255;
    const unsigned green = (((argb >> 8) & 0xff) * 5 + 127) / 255;
    const unsigned blue = ((argb & 0xff) * 5 + 127) / 255;
    return 1 + red * 36 + green * 6 + blue;
}

static int WriteGif(Imlib_Image image, const char *folder, const char *fileName)
{
    enum { kClearCode = 256, kEndCode = 257, kCodeWidth = 9, kCodesBetweenClears = 250 };
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", folder, fileName);
    imlib_context_set_image(image);
    const int width = imlib_image_get_width();
    const int height = imlib_image_get_height();
    const uint32_t *pixels = imlib_image_get_data_for_reading_only();
    FILE *file = fopen(path, "wb");
    if (file == NULL || pixels == NULL) {
        fprintf(stderr, "cannot write %s\n", path);
        if (file != NULL) fclose(file);
        return 1;
    }
    fwrite("GIF89a", 1, 6, file);
    WriteLittleEndian16(file, width);
    WriteLittleEndian16(file, height);
    fputc(0xF7, file); /* a global table of 256 colours of 8 bits */
    fputc(0, file);    /* background colour */
    fputc(0, file);    /* no aspect ratio */
    for (unsigned index = 0; index < 256; ++index) {
        const int inCube = index >= 1 && index <= 216;
        const unsigned cube = inCube ? index - 1 : 0;
        const int neutral = index == 0 ? 128 : 0;
        fputc(inCube ? (int)(cube / 36 * 51) : neutral, file);
        fputc(inCube ? (int)(cube / 6 % 6 * 51) : neutral, file);
        fputc(inCube ? (int)(cube % 6 * 51) : neutral, file);
    }
    static const uint8_t kTransparency[] = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00};
    fwrite(kTransparency, 1, sizeof kTransparency, file);
    fputc(0x2C, file);
    WriteLittleEndian16(file, 0);
    WriteLittleEndian16(file, 0);
    WriteLittleEndian16(file, width);
    WriteLittleEndian16(file, height);
    fputc(0, file); /* no local colour table, not interlaced */
    fputc(8, file); /* LZW minimum code size */
    /* Only single-colour codes: a clear code before the reader's table would need wider codes
     * keeps every code 9 bits wide. */
    GifBitWriter writer = {file, {0}, 0, 0, 0};
    const size_t count = (size_t)width * (size_t)height;
    for (size_t i = 0; i < count; ++i) {
        if (i % kCodesBetweenClears == 0) WriteCode(&writer, kClearCode, kCodeWidth);
        WriteCode(&writer, PaletteIndex(pixels[i]), kCodeWidth);
    }
    WriteCode(&writer, kEndCode, kCodeWidth);
    if (writer.bitCount > 0) WriteCode(&writer, 0, 8 - writer.bitCount);
    FlushBlock(&writer);
    fputc(0, file);    /* end of the image data */
    fputc(0x3B, file); /* end of the file */
    const int failed = ferror(file) != 0;
    if (fclose(file) != 0 || failed) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const char *folder = argv[1];
    int failed = 0;
    Imlib_Image picture = DrawPicturePicture();
    Imlib_Image sample = DrawSamplePicture();
    Imlib_Image watermark = DrawWatermarkPicture();
    if (picture == NULL || sample == NULL || watermark == NULL) {
        fprintf(stderr, "out of memory\n");
        failed = 1;
    }
    if (!failed) {
        imlib_context_set_image(picture);
        imlib_image_attach_data_value("quality", NULL, 95, NULL);
        failed |= SaveWithImlib(picture, folder, "imlib2.jpg", "jpg");
        failed |= SaveWithImlib(sample, folder, "ZarnHook.bmp", "bmp");
        failed |= WriteGif(watermark, folder, "watermark.gif");
    }
    Imlib_Image images[] = {picture, sample, watermark};
    for (size_t i = 0; i < sizeof images / sizeof images[0]; ++i) {
        if (images[i] == NULL) continue;
        imlib_context_set_image(images[i]);
        imlib_free_image();
    }
    return failed ? 1 : 0;
}
