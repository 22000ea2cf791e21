// Where an output's file lives: a run writes a hidden part file in the output's folder and,
// once the run has finished and its result passed the output check, renames it to the final
// name in one step, after its data is on the disk. Nothing is written under the final name
// before that, so an existing file there is replaced only by a finished conversion, and a run
// that fails, is stopped or is killed leaves it as it was.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

namespace fs = std::filesystem;

std::string SystemErrorText(int error) { return LibraryErrorText(AVERROR(error)); }

// "pipe:1", "tcp://host": a protocol's address, written where the protocol puts it.
bool IsProtocolAddress(const std::string& name)
{
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// Renames without replacing what has the new name: false with errno EEXIST when something has.
bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a second link fails on an existing name just as well.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

// The rename itself is only on the disk when the folder is.
void SyncFolderOf(const std::string& fileName)
{
    fs::path folder = fs::path(fileName).parent_path();
    if (folder.empty()) folder = ".";
    const TFileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Valid()) ::fsync(handle.Get());
}

// Whether a live conversion holds the part file (its lock).
bool PartFileBusy(const std::string& partName)
{
    const TFileHandle handle(::open(partName.c_str(), O_RDONLY | O_CLOEXEC));
    return handle.Valid() && ::flock(handle.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void TFileHandle::Reset()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::string PartFileName(const std::string& fileName)
{
    const fs::path path(fileName);
    const std::string hidden = "." + path.stem().string() + ".mirelk-part" + path.extension().string();
    return (path.parent_path() / hidden).string();
}

std::string StoppedFileName(const std::string& fileName, int number)
{
    const fs::path path(fileName);
    const std::string suffix = number <= 1 ? " (stopped)" : " (stopped " + std::to_string(number) + ")";
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string())).string();
}

bool TCustomFFmpeg::PrepareOutputFile(TOpenOutput& output)
{
    const std::string& name = output.fileName;
    output.fileReleased = true;
    if (IsProtocolAddress(name)) return true;
    struct stat facts {};
    if (::lstat(name.c_str(), &facts) == 0) {
        if (S_ISLNK(facts.st_mode)) {
            LastErrMsg = Format("Could not open '%s': the name is a link; give the name of the file it leads to",
                                name.c_str());
            return false;
        }
        if (S_ISDIR(facts.st_mode)) {
            LastErrMsg = Format("Could not open '%s': %s", name.c_str(), SystemErrorText(EISDIR).c_str());
            return false;
        }
        // A device or a pipe is written where it is.
        if (!S_ISREG(facts.st_mode)) return true;
        output.replacesFile = true;
    } else if (errno != ENOENT) {
        LastErrMsg = Format("Could not open '%s': %s", name.c_str(), SystemErrorText(errno).c_str());
        return false;
    }
    output.partName = PartFileName(name);
    // The folder must take the part file; it is made and removed again, so that nothing is on
    // the disk until the run.
    TFileHandle probe(::open(output.partName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (probe.Valid()) {
        probe.Reset();
        ::unlink(output.partName.c_str());
    } else if (errno != EEXIST) {
        LastErrMsg = Format("Could not open '%s': %s", name.c_str(), SystemErrorText(errno).c_str());
        return false;
    } else if (PartFileBusy(output.partName)) {
        LastErrMsg = Format("Could not open '%s': another conversion is writing it", name.c_str());
        return false;
    }
    return true;
}

void TCustomFFmpeg::OpenOutputForRun(TOpenOutput& output)
{
    const std::string& name = output.fileName;
    if (output.partName.empty()) {
        const int opened = av::avio_open(&output.context->pb, name.c_str(), AVIO_FLAG_WRITE);
        if (opened < 0)
            throw FFmpegException(Format("Could not open '%s': %s", name.c_str(), LibraryErrorText(opened).c_str()));
        output.fileReleased = false;
        return;
    }
    TFileHandle lock(::open(output.partName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock.Valid())
        throw FFmpegException(Format("Could not open '%s': %s", name.c_str(), SystemErrorText(errno).c_str()));
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
        throw FFmpegException(Format("Could not open '%s': another conversion is writing it", name.c_str()));
    struct stat facts {};
    if (::fstat(lock.Get(), &facts) == 0 && facts.st_size > 0)
        Log(kLevelInfo, Format("'%s' was left by a conversion that did not end; it is written anew",
                               output.partName.c_str()));
    output.partLock = std::move(lock);
    if (::ftruncate(output.partLock.Get(), 0) != 0) {
        const int error = errno;
        DiscardPartFile(output);
        throw FFmpegException(Format("Could not open '%s': %s", name.c_str(), SystemErrorText(error).c_str()));
    }
    const int opened = av::avio_open(&output.context->pb, output.partName.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0)
        throw FFmpegException(Format("Could not open '%s': %s", name.c_str(), LibraryErrorText(opened).c_str()));
    output.fileReleased = false;
}

void TCustomFFmpeg::CommitOutputs(bool finished, bool wroteAnything,
                                  const std::vector<std::vector<TExpectedStream>>& expected)
{
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        TOpenOutput& output = m_outputs[i];
        if (output.context && !(output.context->oformat->flags & AVFMT_NOFILE)) av::avio_closep(&output.context->pb);
        if (!output.partLock.Valid()) {
            if (finished) KeptOutputNames.push_back(output.fileName);
            continue;
        }
        if (::fsync(output.partLock.Get()) != 0)
            throw FFmpegException(Format("Could not write '%s': %s", output.fileName.c_str(),
                                         SystemErrorText(errno).c_str()));
        if (!finished && !wroteAnything) {
            DiscardPartFile(output);
            Log(kLevelInfo, Format("Stopped before anything was converted: nothing is kept of '%s'",
                                   output.fileName.c_str()));
            continue;
        }
        if (finished && i < expected.size()) {
            const std::string problem = CheckOutputFile(output.partName, output.fileName, expected[i]);
            if (!problem.empty()) throw FFmpegException(problem);
        }
        std::string target = output.fileName;
        bool moved = false;
        if (finished && output.replacesFile) {
            moved = ::rename(output.partName.c_str(), target.c_str()) == 0;
        } else if (finished) {
            moved = RenameNoReplace(output.partName, target);
            if (!moved && errno == EEXIST)
                throw FFmpegException(Format("Could not rename '%s' to '%s': a file of that name was made during "
                                             "the conversion; it is left as it is",
                                             output.partName.c_str(), target.c_str()));
        } else {
            for (int number = 1; number <= 1000 && !moved; ++number) {
                target = StoppedFileName(output.fileName, number);
                moved = RenameNoReplace(output.partName, target);
                if (!moved && errno != EEXIST) break;
            }
        }
        if (!moved)
            throw FFmpegException(Format("Could not rename '%s' to '%s': %s", output.partName.c_str(), target.c_str(),
                                         SystemErrorText(errno).c_str()));
        output.partLock.Reset();
        SyncFolderOf(target);
        KeptOutputNames.push_back(target);
    }
}

void TCustomFFmpeg::DiscardPartFile(TOpenOutput& output)
{
    if (!output.partLock.Valid()) return;
    if (output.context && !(output.context->oformat->flags & AVFMT_NOFILE)) av::avio_closep(&output.context->pb);
    ::unlink(output.partName.c_str());
    output.partLock.Reset();
}

void TCustomFFmpeg::DiscardPartFiles()
{
    for (TOpenOutput& output : m_outputs) DiscardPartFile(output);
}

}  // namespace mirelk
