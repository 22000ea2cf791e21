// The input side of a run: one record per input file, the reading of packets from the file
// the loop chooses, and the correction of their time stamps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/av_owners.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/run_request.h"
#include "engine/pipeline/stage_clock.h"

namespace mirelk {

class TDemuxer {
public:
    // What a read gave: a packet of a stream some output takes (the run's index of that stream),
    // nothing this time, or the end of the file.
    enum TReadStatus { rsPacket, rsNothing, rsEnded };
    struct TRead {
        TReadStatus status = rsNothing;
        int streamIndex = -1;
    };

    TDemuxer(const TRunRequest& request, IRunHost& host);

    // The file records and one stream record per stream of every file, in file order.
    void Open(std::vector<TInputStream>& streams);
    int FileCount() const { return static_cast<int>(m_files.size()); }
    const TInputFile& File(int index) const { return m_files.at(index); }
    // Whether the input stream record at a stream index of a file exists.
    bool HasStream(int file, int stream) const;
    // The run's index of a file's stream.
    int StreamIndex(int file, int stream) const { return m_files.at(file).firstStreamIndex + stream; }

    // Reads the next packet of a file into Packet(); a packet of a stream no output takes is
    // dropped (rsNothing). Throws FFmpegException when a read fails for another reason than the
    // end of the file's data.
    // The decoding stage's clocks of the streams tell where their next data is expected.
    TRead Read(int fileIndex, const std::vector<TInputStream>& streams, const std::vector<TStreamClock>& clocks);
    AVPacket* Packet() { return m_packet.get(); }
    // Done with the packet of the last read.
    void ReleasePacket();
    // Why the last input that ended on data it could not read ended; "" when none did.
    const std::string& LastReadError() const { return m_lastReadError; }

private:
    TTimeGate Gate(const TOpenInput& input) const;
    void FailOnReadError(int fileIndex, int readResult);
    void CorrectTimestamps(TInputFile& file, const TInputStream& stream, const TStreamClock& clock, AVPacket* packet);

    const TRunRequest& m_request;
    IRunHost& m_host;
    std::vector<TInputFile> m_files;
    TPacketPtr m_packet;
    std::string m_lastReadError;
};

}  // namespace mirelk
