// Opens a media file (or takes one opened by someone else) and answers what it holds: name,
// format, size, times, tags, programs and streams, and a description of it all.
#pragma once

#include <cstdint>
#include <string>

#include "binding/av_headers.h"
#include "probe/av_probe_records.h"
#include "probe/description_copy.h"
#include "binding/av_owners.h"

namespace mirelk {

class TCustomAVProbe {
public:
    TCustomAVProbe() = default;
    virtual ~TCustomAVProbe();
    TCustomAVProbe(const TCustomAVProbe&) = delete;
    TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

    // Opens a file, detecting its format or with the demuxer of formatName. On failure the
    // prober is empty and LastErrMsg says why. Throws std::runtime_error "... not loaded." when
    // a library it needs is not loaded, changing nothing.
    bool Open(const std::string& fileName, const std::string& formatName = std::string());
    // Describes a context opened by someone else, who keeps it: Close forgets it without
    // closing it, and TAVProbe refuses to seek in it or read from it (the owner is reading it).
    // The owner must keep it open until this prober is closed or attached elsewhere. Throws as
    // Open does.
    virtual void Attach(AVFormatContext* context);
    // While attached: from now on answers from a copy of what the context tells, so that its
    // owner may close it. The copy holds no file; seeking and reading stay refused.
    void KeepDescription();
    virtual void Close();

    // Without a file the following log "file not loaded." and return empty text, -1, or a
    // record of "no value" marks.
    std::string GetFileName() const;
    std::string GetFormatName() const;
    // Bytes; the size on disk when the demuxer does not know it.
    std::int64_t GetFileSize() const;
    TAVFileInfo GetFileInfo() const;
    // A negative index means the first video stream. Problems are logged and leave the record
    // at its initial values.
    TAVVideoStreamInfo GetVideoStreamInfo(int streamIndex) const;
    // A description of the file, one "\r\n"-ended line per fact, programs and streams last.
    std::string GetInfoText() const;

    // The last failure of Open, Seek or ReadFrame; nothing clears it.
    const std::string& LastErrMsg() const { return m_lastErrMsg; }
    // The format name the file was opened with; empty when detected or attached.
    const std::string& ForcedFormat() const { return m_forcedFormat; }
    // -1 without a file.
    int StreamCount() const { return m_streamCount; }
    int ProgramCount() const { return m_programCount; }
    int AudioStreamCount() const { return m_audioStreamCount; }
    int VideoStreamCount() const { return m_videoStreamCount; }
    int SubtitleStreamCount() const { return m_subtitleStreamCount; }
    // Index of the first stream of the kind; -1 when there is none or no file.
    int FirstAudioStream() const { return m_firstAudioStream; }
    int FirstVideoStream() const { return m_firstVideoStream; }
    int FirstSubtitleStream() const { return m_firstSubtitleStream; }
    // The channels of the first audio stream; -1 when there is none or no file.
    int FirstAudioChannels() const;

protected:
    // The context in use, opened or attached; null without a file, and while the libraries are
    // not loaded (a context then cannot be read safely).
    AVFormatContext* Context() const;
    // True while the context was attached rather than opened here.
    bool IsAttached() const { return m_context != nullptr && m_ownedContext == nullptr; }
    void SetLastErrMsg(const std::string& text) { m_lastErrMsg = text; }
    // The short name of the context's demuxer, or empty.
    std::string DemuxerName() const;

private:
    static void CheckLibraries();
    void CountStreams();
    void ForgetContext();
    std::int64_t FileSizeOf(const AVFormatContext* context) const;

    TInputContextPtr m_ownedContext;
    // The copy KeepDescription made of an attached context (m_context then points to it).
    TFormatContextPtr m_description;
    AVFormatContext* m_context = nullptr;
    std::string m_lastErrMsg;
    std::string m_forcedFormat;
    int m_streamCount = -1;
    int m_programCount = -1;
    int m_audioStreamCount = -1;
    int m_videoStreamCount = -1;
    int m_subtitleStreamCount = -1;
    int m_firstAudioStream = -1;
    int m_firstVideoStream = -1;
    int m_firstSubtitleStream = -1;
};

}  // namespace mirelk
