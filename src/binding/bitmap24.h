// A picture of 24 bits per pixel in B, G, R byte order, top row first, with a lock for drawing
// on it. The front ends show it with their own toolkit (a Qt program wraps the rows without
// copying them).
#pragma once

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace mirelk {

class TBitmap24 {
public:
    TBitmap24() = default;
    TBitmap24(int width, int height) { SetSize(width, height); }
    TBitmap24(const TBitmap24& other) : m_width(other.m_width), m_height(other.m_height), m_pixels(other.m_pixels) {}
    TBitmap24& operator=(const TBitmap24& other)
    {
        if (this != &other) Assign(other);
        return *this;
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }
    // Bytes from one row to the next: 3 x width.
    int BytesPerLine() const { return 3 * m_width; }
    // Row y, 3 x width bytes.
    std::uint8_t* ScanLine(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * BytesPerLine(); }
    const std::uint8_t* ScanLine(int y) const
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * BytesPerLine();
    }

    // A new size; the content of the rows is unspecified afterwards (kept where it fits).
    void SetSize(int width, int height)
    {
        m_width = width > 0 ? width : 0;
        m_height = height > 0 ? height : 0;
        m_pixels.resize(static_cast<std::size_t>(m_width) * 3 * m_height);
    }
    // Black over the whole area; the size stays.
    void Blacken() { std::fill(m_pixels.begin(), m_pixels.end(), std::uint8_t{0}); }
    // Size and pixels of another bitmap.
    void Assign(const TBitmap24& other)
    {
        m_width = other.m_width;
        m_height = other.m_height;
        m_pixels = other.m_pixels;
    }

    // Held while a callback draws on the bitmap, and by a viewer while it reads it.
    void LockCanvas() { m_canvas.lock(); }
    void UnlockCanvas() { m_canvas.unlock(); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_pixels;
    std::mutex m_canvas;
};

}  // namespace mirelk
