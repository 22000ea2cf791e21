#include "vhook_test_support.h"

#include <libavutil/pixfmt.h>

#include <algorithm>
#include <stdexcept>

#include "engine/options/ffmpeg_exception.h"

namespace mirelk::test {

std::string VhookPath(const std::string& fileName) { return std::string(MIRELK_VHOOK_DIR) + "/" + fileName; }

std::string HookLine(const std::string& module, const std::string& arguments)
{
    return VhookPath(module) + " " + arguments;
}

TPlanarPicture::TPlanarPicture(int width, int height, int pixelFormat, int chromaShiftX, int chromaShiftY,
                               std::uint8_t luma, std::uint8_t chroma)
    : m_width(width), m_height(height), m_pixelFormat(pixelFormat), m_shiftX(chromaShiftX), m_shiftY(chromaShiftY),
      m_fill{luma, chroma, chroma}
{
    m_bytes.resize(Offset(3));
    for (int plane = 0; plane < 3; ++plane)
        std::fill(m_bytes.begin() + static_cast<std::ptrdiff_t>(Offset(plane)),
                  m_bytes.begin() + static_cast<std::ptrdiff_t>(Offset(plane + 1)), m_fill[plane]);
}

TPlanarPicture TPlanarPicture::Yuv420(int width, int height, std::uint8_t luma, std::uint8_t chroma)
{
    return TPlanarPicture(width, height, AV_PIX_FMT_YUV420P, 1, 1, luma, chroma);
}

std::size_t TPlanarPicture::Offset(int plane) const
{
    std::size_t offset = 0;
    for (int p = 0; p < plane; ++p)
        offset += static_cast<std::size_t>(LineSize(p)) * static_cast<std::size_t>(PlaneHeight(p)) + kGuard;
    return offset;
}

THookPicture& TPlanarPicture::Picture()
{
    m_picture = THookPicture{};
    for (int plane = 0; plane < 3; ++plane) {
        m_picture.data[plane] = m_bytes.data() + Offset(plane);
        m_picture.linesize[plane] = LineSize(plane);
    }
    return m_picture;
}

std::uint8_t TPlanarPicture::Sample(int plane, int x, int y) const
{
    if (x < 0 || y < 0 || x >= PlaneWidth(plane) || y >= PlaneHeight(plane)) throw std::out_of_range("sample");
    return m_bytes[Offset(plane) + static_cast<std::size_t>(y) * static_cast<std::size_t>(LineSize(plane)) +
                   static_cast<std::size_t>(x)];
}

void TPlanarPicture::SetSample(int plane, int x, int y, std::uint8_t value)
{
    if (x < 0 || y < 0 || x >= PlaneWidth(plane) || y >= PlaneHeight(plane)) throw std::out_of_range("sample");
    m_bytes[Offset(plane) + static_cast<std::size_t>(y) * static_cast<std::size_t>(LineSize(plane)) +
            static_cast<std::size_t>(x)] = value;
}

TChangedArea TPlanarPicture::Changed(const TPlanarPicture& before, int plane) const
{
    TChangedArea area;
    for (int y = 0; y < PlaneHeight(plane); ++y)
        for (int x = 0; x < PlaneWidth(plane); ++x) {
            if (Sample(plane, x, y) == before.Sample(plane, x, y)) continue;
            if (area.count == 0) {
                area.left = area.right = x;
                area.top = area.bottom = y;
            }
            area.left = std::min(area.left, x);
            area.right = std::max(area.right, x);
            area.top = std::min(area.top, y);
            area.bottom = std::max(area.bottom, y);
            ++area.count;
        }
    return area;
}

int TPlanarPicture::ChangedInRow(const TPlanarPicture& before, int plane, int y) const
{
    int count = 0;
    for (int x = 0; x < PlaneWidth(plane); ++x) count += Sample(plane, x, y) != before.Sample(plane, x, y) ? 1 : 0;
    return count;
}

bool TPlanarPicture::OutsideUntouched() const
{
    for (int plane = 0; plane < 3; ++plane) {
        const std::size_t start = Offset(plane);
        for (int y = 0; y < PlaneHeight(plane); ++y)
            for (int x = PlaneWidth(plane); x < LineSize(plane); ++x)
                if (m_bytes[start + static_cast<std::size_t>(y) * static_cast<std::size_t>(LineSize(plane)) +
                            static_cast<std::size_t>(x)] != m_fill[plane])
                    return false;
        for (std::size_t at = Offset(plane + 1) - kGuard; at < Offset(plane + 1); ++at)
            if (m_bytes[at] != m_fill[plane]) return false;
    }
    return true;
}

THookTask::THookTask(const std::string& vhookValue)
{
    try {
        m_task.ParseOption("vhook", vhookValue);
    } catch (const FFmpegException& error) {
        m_error = error.what();
    }
}

bool THookTask::Logged(const std::string& line) const
{
    for (const auto& message : m_task.messages)
        if (message.second == line) return true;
    return false;
}

void THookTask::Run(TPlanarPicture& picture, std::int64_t pts)
{
    m_task.FrameHooks().ProcessFrameHooks(picture.Picture(), picture.PixelFormat(), picture.Width(), picture.Height(),
                                          pts);
}

}  // namespace mirelk::test
