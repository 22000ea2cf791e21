// Pieces shared by the frame hook tests: where the test modules are, a log that keeps what it
// is given, a real YUV 4:2:0 picture, and a look into a loaded module's counters.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "binding/hooks/frame_hook_chain.h"

namespace mirelk::test {

// Full path of a test module by its target name.
std::string HookModulePath(const std::string& name);

// The exact text dlopen reports for a name it cannot open (opening it here has no effect).
std::string LoaderErrorFor(const std::string& name);

class THookLog {
public:
    THookLogProc Proc()
    {
        return [this](int level, const std::string& text) { lines.emplace_back(level, text); };
    }
    std::vector<std::pair<int, std::string>> lines;
};

// A picture of the library's own layout (line sizes padded beyond the width), luma filled
// with one value and both chroma planes with another. Needs libavutil loaded.
class TTestPicture {
public:
    static constexpr std::uint8_t kLuma = 16;
    static constexpr std::uint8_t kChroma = 128;

    TTestPicture(int width, int height);
    ~TTestPicture();
    TTestPicture(const TTestPicture&) = delete;
    TTestPicture& operator=(const TTestPicture&) = delete;

    THookPicture& Picture() { return m_picture; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int PixelFormat() const;
    std::uint8_t Luma(int x, int y) const { return m_picture.data[0][y * m_picture.linesize[0] + x]; }
    // Where the luma plane differs from expected(x, y), as "x,y=value" texts (first few only).
    template <typename Expected>
    std::vector<std::string> LumaMismatches(Expected expected) const
    {
        std::vector<std::string> mismatches;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (Luma(x, y) != expected(x, y) && mismatches.size() < 8)
                    mismatches.push_back(std::to_string(x) + "," + std::to_string(y) + "=" +
                                         std::to_string(Luma(x, y)));
        return mismatches;
    }
    // True when every chroma sample and every luma padding byte still holds what it was
    // filled with.
    bool OnlyLumaTouched() const;

private:
    THookPicture m_picture{};
    int m_width;
    int m_height;
};

// Is the point inside the rectangle (left, top, width, height)?
struct TRectangle {
    int left, top, width, height;
    bool Contains(int x, int y) const
    {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    // The arguments the paint module takes after its name.
    std::vector<std::string> PaintItems(const std::string& module, int value) const
    {
        return {module, std::to_string(left), std::to_string(top), std::to_string(width),
                std::to_string(height), std::to_string(value)};
    }
};

// An integer a loaded module exports, found without loading the module; null when the module
// is not loaded or has no such export.
int* LoadedModuleCounter(const std::string& path, const char* name);

// A fresh folder for the running test, removed with its files afterwards.
class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    std::filesystem::path Path() const { return m_path; }
    // Copies a test module into the folder under a new file name; returns the full path.
    std::string CopyModule(const std::string& module, const std::string& fileName) const;

private:
    std::filesystem::path m_path;
};

}  // namespace mirelk::test
