// Loads the codec libraries and the support library at run time and keeps the "loaded" state
// that every caller consults before it touches a library function.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <string>

#include "binding/program_folders.h"

namespace mirelk {

// The loadable libraries; the order of the members is the order of loading and unloading.
enum TAVLibrary {
    libAVCodec,
    libAVDevice,
    libAVFilter,
    libAVFormat,
    libAVUtil,
    libSwScale,
    libSwResample,
    libMyUtil,
};
inline constexpr int kAVLibraryCount = libMyUtil + 1;

class TAVLibraries {
public:
    constexpr TAVLibraries() = default;
    constexpr TAVLibraries(std::initializer_list<TAVLibrary> members)
    {
        for (TAVLibrary member : members) m_bits |= Bit(member);
    }
    constexpr bool Contains(TAVLibrary library) const { return (m_bits & Bit(library)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr TAVLibraries With(TAVLibrary library) const
    {
        TAVLibraries result = *this;
        result.m_bits |= Bit(library);
        return result;
    }
    constexpr bool operator==(const TAVLibraries&) const = default;

private:
    static constexpr std::uint32_t Bit(TAVLibrary library) { return 1u << static_cast<int>(library); }
    std::uint32_t m_bits = 0;
};

// Everything but libavdevice: what the component loads and the engine checks.
inline constexpr TAVLibraries DefaultAVLibraries{libAVCodec, libAVFilter, libAVFormat, libAVUtil,
                                                 libSwScale, libSwResample, libMyUtil};

// Raised to a caller that passes an empty library set.
class LoaderAssertion : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// All state is module-wide; the instance only groups the operations.
class TFFmpegLoader {
public:
    // The folder later loads look in first; does not reload anything.
    void SetLibraryPath(const std::string& folder);
    std::string LibraryPath() const;
    // Text of the last failure; a later success does not clear it.
    std::string LastErrMsg() const;

    // Loads and binds each member in library order. All or nothing: at the first failure the
    // whole set is unloaded and false returned. Members already bound are passed over.
    bool LoadLibs(TAVLibraries libraries);
    // Changes whenever a library file is opened: what was learnt from the libraries under
    // another number (an option's class, say) may no longer hold.
    std::uint64_t LoadGeneration() const;
    bool LibLoaded(TAVLibrary library) const;
    bool LibsLoaded(TAVLibraries libraries) const;
    void UnloadLibs(TAVLibraries libraries);

    // File name of a library: "lib", base name, ".so" and, where the library has one, "." and
    // the major version the program was built against.
    static std::string GetLibFileName(TAVLibrary library);
    // Version the bound library reports, as "major.minor.micro"; empty when not loaded.
    std::string LoadedVersion(TAVLibrary library) const;
    // Number of non-null entry-point variables of the library, and how many it has.
    static int BoundEntryCount(TAVLibrary library);
    static int EntryCount(TAVLibrary library);

private:
    bool LoadLib(TAVLibrary library);
    void UnloadLib(TAVLibrary library);
};

TFFmpegLoader& FFLoader();

// Held around every reading of stream information and every opening and closing of a codec,
// so that tasks in parallel threads never do these at the same time. Nothing else takes it.
std::mutex& CodecLock();

}  // namespace mirelk
