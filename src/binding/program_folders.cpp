#include "binding/program_folders.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace mirelk {

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

std::string ProgramFolder()
{
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return ".";
    path.resize(static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string SupportFolder()
{
    const std::string program = ProgramFolder();
    if (IsDirectory(program + "/LibAV")) return program;
    // Installed: <prefix>/bin/program and <prefix>/lib/mirelk, wherever the prefix is.
    const fs::path installed = fs::path(program).parent_path() / "lib" / "mirelk";
    if (IsDirectory(installed)) return installed.string();
    return program;
}

std::string DefaultLibraryFolder() { return SupportFolder() + "/LibAV"; }

std::string DataFolderFor(const std::string& supportFolder)
{
    fs::path support(supportFolder);
    if (!support.has_filename()) support = support.parent_path();
    if (support.filename() == "mirelk" && support.parent_path().filename() == "lib") {
        const fs::path shared = support.parent_path().parent_path() / "share" / "mirelk";
        if (IsDirectory(shared)) return shared.string();
    }
    return supportFolder;
}

std::string DataFolder() { return DataFolderFor(SupportFolder()); }

bool IsBuildTreeFolder(const std::string& folder)
{
    std::error_code error;
    const fs::path programs(folder);
    return IsDirectory(programs / "LibAV") &&
           fs::is_regular_file(programs.parent_path() / "CMakeCache.txt", error);
}

std::string RunFilesFolder()
{
    const std::string program = ProgramFolder();
    if (IsBuildTreeFolder(program)) return program;
    fs::path state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/')
        state = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        state = fs::path(home) / ".local" / "state";
    else
        return {};
    const fs::path folder = state / "mirelk";
    std::error_code error;
    fs::create_directories(folder, error);
    return IsDirectory(folder) ? folder.string() : std::string();
}

}  // namespace mirelk
