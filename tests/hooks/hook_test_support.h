// Pieces shared by the frame hook tests: where the modules are, pictures laid out the way the
// engine hands them over (and read back from converted files), and tasks that configure a
// module from the value of a "vhook" option.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "binding/hooks/frame_hook_chain.h"
#include "test_support.h"

namespace mirelk::test {

// A module built for the tests, by its target name.
std::string TestModulePath(const std::string& name);
// A file in the build's "vhook" folder: a shipped module, the companion library or a picture.
std::string VhookPath(const std::string& fileName);
// "<vhook folder>/<module> <arguments>": an option value as the option form writes it.
std::string HookLine(const std::string& module, const std::string& arguments);

// The rectangle that holds every changed pixel, edges included; empty when nothing changed.
struct TChangedArea {
    int left = 0, top = 0, right = -1, bottom = -1;
    int count = 0;
    bool Empty() const { return count == 0; }
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

// A planar 8-bit YUV picture with rows padded beyond the width and each plane a block of its
// own followed by a guard, so that a write outside the picture shows. Any format can be named;
// a format that is not planar YUV still gets three planes of bytes, which a module must leave
// alone.
class TPlanarPicture {
public:
    TPlanarPicture(int width, int height, int pixelFormat, int chromaShiftX, int chromaShiftY, std::uint8_t luma,
                   std::uint8_t chroma);
    static TPlanarPicture Yuv420(int width, int height, std::uint8_t luma, std::uint8_t chroma = 128);

    // Plane pointers into this object: refreshed at every call (the object may have been copied).
    THookPicture& Picture();
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int PixelFormat() const { return m_pixelFormat; }

    std::uint8_t Sample(int plane, int x, int y) const;
    std::uint8_t Luma(int x, int y) const { return Sample(0, x, y); }
    std::uint8_t U(int x, int y) const { return Sample(1, x, y); }
    std::uint8_t V(int x, int y) const { return Sample(2, x, y); }
    void SetSample(int plane, int x, int y, std::uint8_t value);

    // Where this picture's plane differs from before's, within columns x0..x1 and rows y0..y1.
    TChangedArea Changed(const TPlanarPicture& before, int plane = 0, int x0 = 0, int y0 = 0, int x1 = INT_MAX,
                         int y1 = INT_MAX) const;
    // The highest sample of a plane within an area.
    int Highest(int plane, const TChangedArea& area) const;
    // True when every padding byte and guard still holds what it was filled with.
    bool OutsideUntouched() const;

private:
    static constexpr int kPadding = 24;
    static constexpr int kGuard = 64;
    int LineSize(int plane) const { return PlaneWidth(plane) + kPadding; }
    int PlaneWidth(int plane) const { return plane == 0 ? m_width : (m_width + (1 << m_shiftX) - 1) >> m_shiftX; }
    int PlaneHeight(int plane) const { return plane == 0 ? m_height : (m_height + (1 << m_shiftY) - 1) >> m_shiftY; }
    std::size_t Offset(int plane) const;
    std::size_t At(int plane, int x, int y) const;

    int m_width, m_height, m_pixelFormat, m_shiftX, m_shiftY;
    std::uint8_t m_fill[3];
    std::vector<std::uint8_t> m_bytes;
    THookPicture m_picture{};
};

// Every picture of a file, decoded by the ffmpeg tool to 4:2:0.
std::vector<TPlanarPicture> DecodedPictures(const std::string& path, int width, int height);

// A task whose options name one module: "vhook=" and value, split the engine's way.
class THookTask {
public:
    explicit THookTask(const std::string& vhookValue);
    // Whether the engine accepted the option; otherwise its message and the log lines.
    bool Accepted() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    bool Logged(const std::string& line) const;
    // Runs the task's hooks on the picture, as the engine does for one frame.
    void Run(TPlanarPicture& picture, std::int64_t pts = 0);

private:
    CapturingTask m_task;
    std::string m_error;
};

// The picture after a task given this "vhook" value ran on it once; a failure when the value is
// refused or something outside the picture was written.
TPlanarPicture DrawnBy(const std::string& vhookValue, TPlanarPicture picture);

}  // namespace mirelk::test
