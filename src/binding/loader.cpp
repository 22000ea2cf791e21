#include "binding/loader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cfenv>

#include "binding/entry_points.h"
#include "binding/text_format.h"

namespace mirelk {
namespace {

struct TLibDescriptor {
    const char* baseName;
    int majorVersion;  // -1: the file name carries no version
    void (*bindProc)(const std::string& fileName, void* module);
    void (*unbindProc)();
    av::TEntryCount (*countProc)();
    unsigned (*versionProc)();
};

unsigned AVCodecVersion() { return av::avcodec_version(); }
unsigned AVDeviceVersion() { return av::avdevice_version(); }
unsigned AVFilterVersion() { return av::avfilter_version(); }
unsigned AVFormatVersion() { return av::avformat_version(); }
unsigned AVUtilVersion() { return av::avutil_version(); }
unsigned SwScaleVersion() { return av::swscale_version(); }
unsigned SwResampleVersion() { return av::swresample_version(); }

// The majors are the build's (checked against the headers when the build is configured): the
// structures the code reads belong to exactly those versions, so no other major may be loaded.
static_assert(MIRELK_AVCODEC_MAJOR == LIBAVCODEC_VERSION_MAJOR, "libavcodec headers of another major");
static_assert(MIRELK_AVDEVICE_MAJOR == LIBAVDEVICE_VERSION_MAJOR, "libavdevice headers of another major");
static_assert(MIRELK_AVFILTER_MAJOR == LIBAVFILTER_VERSION_MAJOR, "libavfilter headers of another major");
static_assert(MIRELK_AVFORMAT_MAJOR == LIBAVFORMAT_VERSION_MAJOR, "libavformat headers of another major");
static_assert(MIRELK_AVUTIL_MAJOR == LIBAVUTIL_VERSION_MAJOR, "libavutil headers of another major");
static_assert(MIRELK_SWSCALE_MAJOR == LIBSWSCALE_VERSION_MAJOR, "libswscale headers of another major");
static_assert(MIRELK_SWRESAMPLE_MAJOR == LIBSWRESAMPLE_VERSION_MAJOR, "libswresample headers of another major");
const std::array<TLibDescriptor, kAVLibraryCount> kLibraryTable{{
    {"avcodec", MIRELK_AVCODEC_MAJOR, av::BindAVCodec, av::UnbindAVCodec, av::CountAVCodec,
     AVCodecVersion},
    {"avdevice", MIRELK_AVDEVICE_MAJOR, av::BindAVDevice, av::UnbindAVDevice,
     av::CountAVDevice, AVDeviceVersion},
    {"avfilter", MIRELK_AVFILTER_MAJOR, av::BindAVFilter, av::UnbindAVFilter,
     av::CountAVFilter, AVFilterVersion},
    {"avformat", MIRELK_AVFORMAT_MAJOR, av::BindAVFormat, av::UnbindAVFormat,
     av::CountAVFormat, AVFormatVersion},
    {"avutil", MIRELK_AVUTIL_MAJOR, av::BindAVUtil, av::UnbindAVUtil, av::CountAVUtil,
     AVUtilVersion},
    {"swscale", MIRELK_SWSCALE_MAJOR, av::BindSwScale, av::UnbindSwScale, av::CountSwScale,
     SwScaleVersion},
    {"swresample", MIRELK_SWRESAMPLE_MAJOR, av::BindSwResample, av::UnbindSwResample,
     av::CountSwResample, SwResampleVersion},
    {"myutil", -1, av::BindMyUtil, av::UnbindMyUtil, av::CountMyUtil, nullptr},
}};

struct TLibState {
    void* module = nullptr;
    // Read by worker threads while the user-interface thread may not load or unload.
    std::atomic<bool> bound{false};
};

// Process-wide settings made before anything else of the loader runs: the floating-point
// environment (all exceptions masked, rounding to nearest) and the codec lock.
class TLoaderModule {
public:
    TLoaderModule()
    {
        std::feholdexcept(&m_savedEnvironment);
        std::fesetround(FE_TONEAREST);
    }
    ~TLoaderModule()
    {
        // A thread that still holds the lock is waited for before it goes away.
        { std::lock_guard<std::mutex> wait(m_codecLock); }
        std::fesetenv(&m_savedEnvironment);
    }

    std::mutex m_codecLock;
    std::array<TLibState, kAVLibraryCount> m_libraries;
    std::atomic<std::uint64_t> m_loadGeneration{0};
    std::string m_libraryPath;
    std::string m_lastErrMsg;
    TFFmpegLoader m_loader;

private:
    std::fenv_t m_savedEnvironment{};
};

TLoaderModule& Module()
{
    static TLoaderModule module;
    return module;
}

// Made at program start, not at first use.
[[maybe_unused]] TLoaderModule& g_moduleAtStart = Module();

void RequireMembers(TAVLibraries libraries)
{
    if (libraries.Empty())
        throw LoaderAssertion("Assertion failed: empty library set (FFmpegLoader)");
}

bool FileExists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

#ifdef MIRELK_RESIDENT_LIBRARIES
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;
#endif

void* LoadLibraryFromPath(const std::string& folder, const std::string& fileName)
{
    if (!folder.empty()) {
        std::string fullName = folder;
        if (fullName.back() != '/') fullName += '/';
        fullName += fileName;
        // The library's own dependencies resolve by the platform's rules (its RUNPATH, then
        // the default search), so neither PATH nor the current directory is touched.
        if (FileExists(fullName)) return dlopen(fullName.c_str(), kOpenFlags);
    }
    return dlopen(fileName.c_str(), kOpenFlags);
}

}  // namespace

TFFmpegLoader& FFLoader() { return Module().m_loader; }

std::mutex& CodecLock() { return Module().m_codecLock; }

void TFFmpegLoader::SetLibraryPath(const std::string& folder) { Module().m_libraryPath = folder; }

std::string TFFmpegLoader::LibraryPath() const { return Module().m_libraryPath; }

std::string TFFmpegLoader::LastErrMsg() const { return Module().m_lastErrMsg; }

std::string TFFmpegLoader::GetLibFileName(TAVLibrary library)
{
    const TLibDescriptor& descriptor = kLibraryTable[library];
    // Appended piece by piece: joining the strings with + trips a false -Wrestrict warning in
    // optimised GCC 12 builds.
    std::string name = "lib";
    name += descriptor.baseName;
    name += ".so";
    if (descriptor.majorVersion >= 0) {
        name += '.';
        name += std::to_string(descriptor.majorVersion);
    }
    return name;
}

bool TFFmpegLoader::LoadLib(TAVLibrary library)
{
    TLibState& state = Module().m_libraries[library];
    const TLibDescriptor& descriptor = kLibraryTable[library];
    const std::string fileName = GetLibFileName(library);
    if (state.module == nullptr) {
        std::string folder = Module().m_libraryPath;
        if (!folder.empty() && folder.back() != '/') folder += '/';
        void* module = LoadLibraryFromPath(folder, fileName);
        if (module == nullptr) {
            const char* reason = dlerror();
            Module().m_lastErrMsg = Format("Load library %s error: %s", (folder + fileName).c_str(),
                                           reason != nullptr ? reason : "unknown error");
            return false;
        }
        state.module = module;
        ++Module().m_loadGeneration;
    }
    if (!state.bound) {
        try {
            descriptor.bindProc(fileName, state.module);
            state.bound = true;
        } catch (const std::exception& error) {
            Module().m_lastErrMsg = error.what();
        }
    }
    if (!state.bound) UnloadLib(library);
    return state.bound;
}

void TFFmpegLoader::UnloadLib(TAVLibrary library)
{
    TLibState& state = Module().m_libraries[library];
    // Unbinding also clears the names bound before a failed lookup.
    kLibraryTable[library].unbindProc();
    state.bound = false;
    if (state.module != nullptr) {
        dlclose(state.module);
        state.module = nullptr;
    }
}

bool TFFmpegLoader::LoadLibs(TAVLibraries libraries)
{
    RequireMembers(libraries);
    for (int index = 0; index < kAVLibraryCount; ++index) {
        const auto library = static_cast<TAVLibrary>(index);
        if (!libraries.Contains(library)) continue;
        if (!LoadLib(library)) {
            UnloadLibs(libraries);
            return false;
        }
    }
    return true;
}

std::uint64_t TFFmpegLoader::LoadGeneration() const { return Module().m_loadGeneration; }

bool TFFmpegLoader::LibLoaded(TAVLibrary library) const
{
    const TLibState& state = Module().m_libraries[library];
    return state.bound && state.module != nullptr;
}

bool TFFmpegLoader::LibsLoaded(TAVLibraries libraries) const
{
    RequireMembers(libraries);
    for (int index = 0; index < kAVLibraryCount; ++index) {
        const auto library = static_cast<TAVLibrary>(index);
        if (libraries.Contains(library) && !LibLoaded(library)) return false;
    }
    return true;
}

void TFFmpegLoader::UnloadLibs(TAVLibraries libraries)
{
    RequireMembers(libraries);
    for (int index = 0; index < kAVLibraryCount; ++index) {
        const auto library = static_cast<TAVLibrary>(index);
        if (libraries.Contains(library)) UnloadLib(library);
    }
}

std::string TFFmpegLoader::LoadedVersion(TAVLibrary library) const
{
    const TLibDescriptor& descriptor = kLibraryTable[library];
    if (descriptor.versionProc == nullptr || !LibLoaded(library)) return {};
    const unsigned version = descriptor.versionProc();
    return Format("%u.%u.%u", version >> 16, (version >> 8) & 0xFF, version & 0xFF);
}

int TFFmpegLoader::BoundEntryCount(TAVLibrary library) { return kLibraryTable[library].countProc().bound; }

int TFFmpegLoader::EntryCount(TAVLibrary library) { return kLibraryTable[library].countProc().total; }

}  // namespace mirelk
