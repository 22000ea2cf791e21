// What a task has opened: its input files with the decoder chosen for each stream, and its
// output files with the settings of each output stream, kept until the task is cleaned up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "binding/av_owners.h"
#include "engine/options/avoption_context.h"
#include "engine/options/option_state.h"

namespace mirelk {

// One stream of an input as the first opening found it.
struct TInputStreamFacts {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codecId = AV_CODEC_ID_NONE;
    AVRational frameRate{0, 1};
    // Left by the options at the first opening ("an", "vn", "sn", "vdiscard").
    AVDiscard discard = AVDISCARD_DEFAULT;
    // A still picture that stands for the file (a cover), not a moving picture.
    bool attachedPicture = false;
    // The picture size the stream information found; 0 when no picture could be decoded.
    int width = 0;
    int height = 0;
};

// What it takes to open an input again exactly as it was first opened, and what that opening
// found, so that a second opening can tell whether it still reads the same file.
struct TInputRecipe {
    const AVInputFormat* format = nullptr;
    TAVDictionary demuxerOptions;
    AVCodecID videoCodecId = AV_CODEC_ID_NONE;
    AVCodecID audioCodecId = AV_CODEC_ID_NONE;
    AVCodecID subtitleCodecId = AV_CODEC_ID_NONE;
    int programId = 0;
    bool ignoreMissingStreamInfo = false;
    bool seek = false;
    std::int64_t seekPosition = 0;
    std::vector<TInputStreamFacts> streams;
    // Of a file on disk; -1 for anything else (a device, a URL, a pipe).
    std::int64_t fileSize = -1;
    std::int64_t modifiedNanoseconds = 0;
};

struct TOpenInput {
    // Null while the task waits with its files released.
    TInputContextPtr context;
    std::string fileName;
    // Added to every timestamp read from this input, in microseconds.
    std::int64_t timestampOffset = 0;
    TInputRecipe recipe;
};

// A stream of the inputs: input number and stream number within it.
struct TStreamRef {
    int input = -1;
    int stream = -1;
    bool Valid() const { return input >= 0 && stream >= 0; }
};

// One stream of an input, in input order and stream order across all inputs.
struct TInputStreamChoice {
    int inputIndex = 0;
    int streamIndex = 0;
    // The decoder named by a codec option, or null: then the stream's own codec decides.
    const AVCodec* decoder = nullptr;
};

struct TOpenOutputStream {
    AVStream* stream = nullptr;  // borrowed: the output's context owns it
    // The settings the encoder is opened with later (for a copied stream, its parameters).
    TCodecContextPtr codec;
    // The encoder chosen by name or guessed from the format; null for a copied stream.
    const AVCodec* encoder = nullptr;
    bool streamCopy = false;
    // Made to carry an input's attached picture (a cover): fed by one when there is one.
    bool attachedPicture = false;
    // Kept because the input had it, not asked for: a fault of its own is told, never fatal.
    bool optional = false;
    // The input stream it was made for; without stream maps the run feeds it from there.
    TStreamRef source;
    std::vector<TBitstreamFilterSpec> bitstreamFilters;
};

// A file descriptor of its own: closed when it goes.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : m_fd(fd) {}
    TFileHandle(TFileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    ~TFileHandle() { Reset(); }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset();

private:
    int m_fd = -1;
};

struct TOpenOutput {
    TOutputContextPtr context;
    std::string fileName;
    std::vector<TOpenOutputStream> streams;
    // Generic options with the encoding flag and the mux settings, for writing the header.
    TAVDictionary muxerOptions;
    // The hidden file in the same folder that a run writes, renamed to fileName once the run
    // has finished and its result passed the check. Empty when the output is written in place
    // (a device, or a format that makes its files itself).
    std::string partName;
    // The part file, open and locked while this task writes it: another conversion of the same
    // name finds the lock, and a part file without one was left by a run that did not end.
    TFileHandle partLock;
    // A file had the final name when the output was made: the finished output replaces it.
    bool replacesFile = false;
    // Its byte stream is not open (before the run, or closed while the task waits); the run
    // opens it.
    bool fileReleased = false;
};

// A format that takes pictures only as covers beside its sound (MP3, FLAC).
bool CoverOnlyFormat(const AVOutputFormat* format);
// Opens an input's demuxer by its recipe, marks the programs not chosen as discarded and reads
// the stream information (holding the codec lock). Null with the message in error when it
// cannot; the messages are those of a first opening.
TInputContextPtr OpenInputByRecipe(const std::string& fileName, const TInputRecipe& recipe, std::string& error);
// Seeks an input to its start time (the file's own time, microseconds) so that every picture
// from there on can be decoded: reading begins at a key picture at or before it.
void SeekBeforeStart(AVFormatContext* context, std::int64_t position);
// The size and modification time of a file on disk into the recipe (-1 when it is none).
void RecordFileFacts(const std::string& fileName, TInputRecipe& recipe);
// The hidden name a run writes an output under: ".NAME.mirelk-part.EXT" in the same folder.
std::string PartFileName(const std::string& fileName);
// The name a stopped run keeps its output under: "NAME (stopped).EXT", numbered from 2 on.
std::string StoppedFileName(const std::string& fileName, int number);

}  // namespace mirelk
