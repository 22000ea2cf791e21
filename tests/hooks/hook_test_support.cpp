#include "hook_test_support.h"

#include <libavutil/pixfmt.h>

#include <algorithm>
#include <stdexcept>

namespace mirelk::test {

std::string TestModulePath(const std::string& name) { return std::string(MIRELK_HOOK_TEST_MODULE_DIR) + "/" + name + ".so"; }

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

std::size_t TPlanarPicture::At(int plane, int x, int y) const
{
    if (x < 0 || y < 0 || x >= PlaneWidth(plane) || y >= PlaneHeight(plane)) throw std::out_of_range("sample");
    return Offset(plane) + static_cast<std::size_t>(y) * static_cast<std::size_t>(LineSize(plane)) +
           static_cast<std::size_t>(x);
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

std::uint8_t TPlanarPicture::Sample(int plane, int x, int y) const { return m_bytes[At(plane, x, y)]; }

void TPlanarPicture::SetSample(int plane, int x, int y, std::uint8_t value) { m_bytes[At(plane, x, y)] = value; }

TChangedArea TPlanarPicture::Changed(const TPlanarPicture& before, int plane, int x0, int y0, int x1, int y1) const
{
    TChangedArea area;
    for (int y = y0; y <= std::min(y1, PlaneHeight(plane) - 1); ++y)
        for (int x = x0; x <= std::min(x1, PlaneWidth(plane) - 1); ++x) {
            if (Sample(plane, x, y) == before.Sample(plane, x, y)) continue;
            if (area.count++ == 0) {
                area.left = area.right = x;
                area.top = area.bottom = y;
            }
            area.left = std::min(area.left, x);
            area.right = std::max(area.right, x);
            area.bottom = y;
        }
    return area;
}

int TPlanarPicture::Highest(int plane, const TChangedArea& area) const
{
    int highest = 0;
    for (int y = area.top; y <= area.bottom; ++y)
        for (int x = area.left; x <= area.right; ++x) highest = std::max<int>(highest, Sample(plane, x, y));
    return highest;
}

bool TPlanarPicture::OutsideUntouched() const
{
    for (int plane = 0; plane < 3; ++plane) {
        for (int y = 0; y < PlaneHeight(plane); ++y)
            for (int x = PlaneWidth(plane); x < LineSize(plane); ++x)
                if (m_bytes[Offset(plane) + static_cast<std::size_t>(y * LineSize(plane) + x)] != m_fill[plane])
                    return false;
        for (std::size_t at = Offset(plane + 1) - kGuard; at < Offset(plane + 1); ++at)
            if (m_bytes[at] != m_fill[plane]) return false;
    }
    return true;
}

std::vector<TPlanarPicture> DecodedPictures(const std::string& path, int width, int height)
{
    const std::string raw =
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) + " -f rawvideo -pix_fmt yuv420p -");
    std::vector<TPlanarPicture> pictures;
    std::size_t next = 0;
    const std::size_t size = static_cast<std::size_t>(width) * height +
                             2 * static_cast<std::size_t>((width + 1) / 2) * ((height + 1) / 2);
    while (next + size <= raw.size()) {
        TPlanarPicture& picture = pictures.emplace_back(TPlanarPicture::Yuv420(width, height, 0));
        for (int plane = 0; plane < 3; ++plane)
            for (int y = 0; y < (plane == 0 ? height : (height + 1) / 2); ++y)
                for (int x = 0; x < (plane == 0 ? width : (width + 1) / 2); ++x)
                    picture.SetSample(plane, x, y, static_cast<std::uint8_t>(raw[next++]));
    }
    return pictures;
}

THookTask::THookTask(const std::string& vhookValue)
{
    m_error = FailureOf([&] { m_task.ParseOption("vhook", vhookValue); });
}

bool THookTask::Logged(const std::string& line) const
{
    return std::any_of(m_task.messages.begin(), m_task.messages.end(),
                       [&](const auto& message) { return message.second == line; });
}

void THookTask::Run(TPlanarPicture& picture, std::int64_t pts)
{
    m_task.FrameHooks().ProcessFrameHooks(picture.Picture(), picture.PixelFormat(), picture.Width(), picture.Height(),
                                          pts);
}

TPlanarPicture DrawnBy(const std::string& vhookValue, TPlanarPicture picture)
{
    THookTask task(vhookValue);
    EXPECT_TRUE(task.Accepted()) << task.Error();
    task.Run(picture);
    EXPECT_TRUE(picture.OutsideUntouched()) << vhookValue;
    return picture;
}

}  // namespace mirelk::test
