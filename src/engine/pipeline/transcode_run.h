// One transcode run of a task: set-up (stream map, codecs, headers), the main loop that reads,
// decodes and writes, and the end (drain, trailers, closing). Everything the run builds lives
// in this object and goes with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/output_check.h"
#include "engine/pipeline/demuxer.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/output_stage.h"
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

    const TOptionState& Options() const;
    void Log(int level, const std::string& text) const;
    // After Execute: the packets written to all outputs, and what each output file should hold,
    // for the check of the finished files.
    std::int64_t PacketsWritten() const { return m_packetsWritten; }
    std::vector<std::vector<TExpectedStream>> OutputExpectations() const;

private:
    // Set-up.
    void Setup();
    void CheckStreamMaps();
    void ChooseSources();
    void PrepareOutputStream(TOutputStream& output);
    // The stage of an encoded output stream, built from the slices of the run it needs.
    std::unique_ptr<TOutputStage> MakeEncodingStage(TOutputStream& output, const TInputStream& source);
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
    // What the packet writer names a stream's codec by in its messages.
    static const char* WriterCodecName(const TOutputStream& output);
    // Fails the run with a fault, or logs it, as the task asked.
    const TErrorPolicy& Errors() const { return m_errors; }
    // The clip of an input stream's file and the start of output time.
    TStageClock StageClock(const TInputStream& stream) const;

    int InputFileCount() const { return static_cast<int>(m_request.inputs.size()); }
    int OutputFileCount() const { return static_cast<int>(m_request.outputs.size()); }

    const TRunRequest m_request;
    IRunHost& m_host;
    TErrorPolicy m_errors;
    TDemuxer m_demuxer;
    std::vector<TInputStream> m_inputStreams;
    std::vector<TOutputStream> m_outputStreams;
    TRunCounters m_counters;
    TProgressReport m_progress;
    TPacketDecoder m_decoder;
    std::unique_ptr<TVideoStatistics> m_statistics;
    // Every output stream is a subtitle: then they alone decide when the clip is over.
    bool m_onlySubtitles = false;
    // The last decoding failure the loop went on after, with the library's reason.
    std::string m_lastDecodeError;
    std::int64_t m_packetsWritten = 0;
};

}  // namespace mirelk
