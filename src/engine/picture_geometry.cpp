// Options that shape the output picture: size, rate, aspect ratio, crop, pad and pad colour.
#include "binding/entry_points.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

void TCustomFFmpeg::OptFrameSize(const std::string& text)
{
    if (text.empty()) return;
    RequireLibraries();
    int width = 0;
    int height = 0;
    if (av::av_parse_video_size(&width, &height, text.c_str()) < 0) throw FFmpegException("Incorrect frame size");
    if (width % 2 != 0 || height % 2 != 0) throw FFmpegException("Frame size must be a multiple of 2");
    m_options.frameWidth = width;
    m_options.frameHeight = height;
}

void TCustomFFmpeg::OptFrameRate(const std::string& text)
{
    if (text.empty()) return;
    RequireLibraries();
    AVRational rate{0, 0};
    if (av::av_parse_video_rate(&rate, text.c_str()) < 0) throw FFmpegException("Incorrect frame rate");
    m_options.frameRate = rate;
}

namespace {

// A decimal integer, or 0 when the text is not one.
int IntegerOrZero(const std::string& text)
{
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used, 10);
        return used == text.size() ? value : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

double NumberOrZero(const std::string& text)
{
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        return used == text.size() ? value : 0.0;
    } catch (const std::exception&) {
        return 0.0;
    }
}

}  // namespace

void TCustomFFmpeg::OptFrameAspectRatio(const std::string& text)
{
    if (text.empty()) return;
    double ratio = 0.0;
    const auto colon = text.find(':');
    if (colon != std::string::npos) {
        const int x = IntegerOrZero(text.substr(0, colon));
        const int y = IntegerOrZero(text.substr(colon + 1));
        ratio = y >= 1 ? static_cast<double>(x) / y : 0.0;
    } else {
        ratio = NumberOrZero(text);
    }
    if (ratio == 0.0) throw FFmpegException("Incorrect aspect ratio specification.");
    m_options.frameAspectRatio = static_cast<float>(ratio);
}

namespace {

// Chroma planes are half the size: a band of an odd number of lines would split a chroma line.
void RequireEvenBand(TPictureSide side, int size, const char* band)
{
    static const char* const kSideNames[] = {"Top", "Bottom", "Left", "Right"};
    if (size % 2 != 0) throw FFmpegException(Format("%s %s size must be a multiple of 2", kSideNames[side], band));
}

}  // namespace

void TCustomFFmpeg::OptFrameCrop(TPictureSide side, int size)
{
    if (size < 0) return;
    RequireEvenBand(side, size, "crop");
    const bool vertical = side == psTop || side == psBottom;
    int& remaining = vertical ? m_options.frameHeight : m_options.frameWidth;
    if (size >= remaining)
        throw FFmpegException(vertical ? "Vertical crop dimensions are outside the range of the original image.\n"
                                         "Remember to crop first and scale second."
                                       : "Horizontal crop dimensions are outside the range of the original image.\n"
                                         "Remember to crop first and scale second.");
    int* crops[] = {&m_options.cropTop, &m_options.cropBottom, &m_options.cropLeft, &m_options.cropRight};
    *crops[side] = size;
    remaining -= size;
}

void TCustomFFmpeg::OptFramePad(TPictureSide side, int size)
{
    if (size < 0) return;
    RequireEvenBand(side, size, "pad");
    int* pads[] = {&m_options.padTop, &m_options.padBottom, &m_options.padLeft, &m_options.padRight};
    *pads[side] = size;
}

void TCustomFFmpeg::OptPadColor(int color)
{
    const int r = color & 0xFF;
    const int g = (color >> 8) & 0xFF;
    const int b = (color >> 16) & 0xFF;
    // Fixed-point BT.601 with ten fraction bits. The shifts are logical, so a negative sum
    // leaves high bits above the low byte; only the low byte is a sample value.
    const auto shift = [](int sum) { return static_cast<int>(static_cast<std::uint32_t>(sum) >> 10); };
    m_options.padColorY = shift(307 * r + 602 * g + 117 * b + 512) & 0xFF;
    m_options.padColorU = (shift(-173 * r - 340 * g + 512 * b + 511) + 128) & 0xFF;
    m_options.padColorV = (shift(512 * r - 429 * g - 84 * b + 511) + 128) & 0xFF;
}

}  // namespace mirelk
