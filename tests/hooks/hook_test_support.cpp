#include "hook_test_support.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "binding/entry_points.h"

namespace mirelk::test {

std::string HookModulePath(const std::string& name)
{
    return std::string(MIRELK_HOOK_TEST_MODULE_DIR) + "/" + name + ".so";
}

std::string LoaderErrorFor(const std::string& name)
{
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
        dlclose(handle);
        return "(it loads)";
    }
    const char* reason = dlerror();
    return reason != nullptr ? reason : "";
}

TTestPicture::TTestPicture(int width, int height) : m_width(width), m_height(height)
{
    const int size = av::av_image_alloc(m_picture.data, m_picture.linesize, width, height,
                                        AV_PIX_FMT_YUV420P, 32);
    if (size < 0) throw std::runtime_error("cannot allocate a test picture");
    for (int y = 0; y < height; ++y)
        std::fill_n(m_picture.data[0] + y * m_picture.linesize[0], m_picture.linesize[0], kLuma);
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < (height + 1) / 2; ++y)
            std::fill_n(m_picture.data[plane] + y * m_picture.linesize[plane],
                        m_picture.linesize[plane], kChroma);
}

TTestPicture::~TTestPicture() { av::av_freep(&m_picture.data[0]); }

int TTestPicture::PixelFormat() const { return AV_PIX_FMT_YUV420P; }

bool TTestPicture::OnlyLumaTouched() const
{
    for (int y = 0; y < m_height; ++y)
        for (int x = m_width; x < m_picture.linesize[0]; ++x)
            if (m_picture.data[0][y * m_picture.linesize[0] + x] != kLuma) return false;
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < (m_height + 1) / 2; ++y)
            for (int x = 0; x < m_picture.linesize[plane]; ++x)
                if (m_picture.data[plane][y * m_picture.linesize[plane] + x] != kChroma) return false;
    return true;
}

int* LoadedModuleCounter(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    auto* counter = static_cast<int*>(dlsym(handle, name));
    // Only drops the reference taken just now: the chain's own stays.
    dlclose(handle);
    return counter;
}

TScratchFolder::TScratchFolder()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_path = std::filesystem::path(::testing::TempDir()) /
             (std::string("mirelk_hooks_") + test->test_suite_name() + "_" + test->name());
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TScratchFolder::~TScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TScratchFolder::CopyModule(const std::string& module, const std::string& fileName) const
{
    const std::filesystem::path target = m_path / fileName;
    std::filesystem::copy_file(HookModulePath(module), target);
    return target.string();
}

}  // namespace mirelk::test
