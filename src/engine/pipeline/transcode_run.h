// One transcode run of a task: set-up (stream map, codecs, headers), the main loop that reads,
// decodes and writes, and the end (drain, trailers, closing). Everything the run builds lives
// in this object and goes with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/output_check.h"
#include "engine/pipeline/demuxer.h"
#include "engine/pipeline/packet_decoder.h"
#include "engine/pipeline/progress_report.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/run_request.h"
#include "engine/pipeline/video_statistics.h"

namespace mirelk {

class TTranscodeRun {
public:
    TTranscodeRun(const TRunRequest& request, IRunHost& host);
    ~TTranscodeRun();
    TTranscodeRun(const TTranscodeRun&) = delete;
    TTranscodeRun& operator=(const TTranscodeRun&) = delete;

    // Runs set-up, loop and end: true when it ran to its end, false when it was stopped (the
    // files are complete either way). Throws FFmpegException when the run fails.
    bool Execute();

    // For the stages of the pipeline.
    const TOptionState& Options() const;
    void Log(int level, const std::string& text) const;
    // Writes a packet of an output stream (times in the stream's time base).
    void WriteFrame(TOutputStream& output, AVPacket* packet);
    TRunCounters& Counters() { return m_counters; }
    // The clip of an input stream's file, in run time.
    const TTimeGate& Gate(const TInputStream& stream) const { return m_demuxer.File(stream.fileIndex).gate; }
    // Whether a decoded time (microseconds) of a stream lies before the start of its clip.
    bool BeforeStart(const TInputStream& stream, std::int64_t pts) const { return pts < Gate(stream).start; }
    // The end of a stream's clip in output time (microseconds; INT64_MAX when it has none).
    std::int64_t OutputEnd(const TInputStream& stream) const;
    TInputStream& InputStream(int index) { return m_inputStreams.at(index); }
    const std::vector<TOutputStream>& OutputStreams() const { return m_outputStreams; }
    const TRunRequest& Request() const { return m_request; }
    IRunHost& Host() { return m_host; }
    int HookFrameNumber() const { return m_decoder.HookFrameNumber(); }
    // After Execute: the packets written to all outputs, and what each output file should hold,
    // for the check of the finished files.
    std::int64_t PacketsWritten() const { return m_packetsWritten; }
    std::vector<std::vector<TExpectedStream>> OutputExpectations() const;
    // The statistics file of "vstats", opened on first use.
    TVideoStatistics& Statistics();

private:
    // Set-up.
    void Setup();
    void CheckStreamMaps();
    void ChooseSources();
    void PrepareOutputStream(TOutputStream& output);
    void PrepareStreamCopy(TOutputStream& output, const TInputStream& source);
    void ReportStreamMapping();
    void OpenEncoders();
    void FitPictureSizeToEncoder(TOutputStream& output);
    void OpenDecoders();
    void CopyMetadataMaps();
    void WriteHeaders();
    [[noreturn]] void FailWithDescription(int outputFile, const std::string& message);

    // Main loop and end.
    void MainLoop();
    int ChooseInputFile() const;
    bool Finish();
    void FlushBitstreamFilters(TOutputStream& output);
    // What the packet writer names a stream's codec by in its messages.
    static const char* WriterCodecName(const TOutputStream& output);

    int InputFileCount() const { return static_cast<int>(m_request.inputs.size()); }
    int OutputFileCount() const { return static_cast<int>(m_request.outputs.size()); }

    const TRunRequest m_request;
    IRunHost& m_host;
    TDemuxer m_demuxer;
    std::vector<TInputStream> m_inputStreams;
    std::vector<TOutputStream> m_outputStreams;
    TRunCounters m_counters;
    TProgressReport m_progress{*this};
    TPacketDecoder m_decoder{*this, m_outputStreams};
    std::unique_ptr<TVideoStatistics> m_statistics;
    // Every output stream is a subtitle: then they alone decide when the clip is over.
    bool m_onlySubtitles = false;
    // The last decoding failure the loop went on after, with the library's reason.
    std::string m_lastDecodeError;
    std::int64_t m_packetsWritten = 0;
};

}  // namespace mirelk
