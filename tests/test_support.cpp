#include "test_support.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "binding/entry_points.h"
#include "binding/loader.h"

namespace mirelk::test {

void LibrariesLoaded::SetUp()
{
    FFLoader().SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(FFLoader().LoadLibs(DefaultAVLibraries)) << FFLoader().LastErrMsg();
}

namespace {

std::mutex g_captureLock;
std::vector<std::pair<int, std::string>> g_captured;

void CaptureLine(void*, int level, const char* format, va_list args)
{
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> lock(g_captureLock);
    g_captured.emplace_back(level, text);
}

}  // namespace

LibraryLogCapture::LibraryLogCapture()
{
    std::lock_guard<std::mutex> lock(g_captureLock);
    g_captured.clear();
    av::av_log_set_callback(CaptureLine);
}

LibraryLogCapture::~LibraryLogCapture() { av::av_log_set_callback(av::av_log_default_callback); }

std::vector<std::pair<int, std::string>> LibraryLogCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(g_captureLock);
    return g_captured;
}

CapturingTask::CapturingTask()
{
    Reset();
    OnLog = [this](TCustomFFmpeg&, int level, const std::string& text) { messages.emplace_back(level, text); };
}

}  // namespace mirelk::test
