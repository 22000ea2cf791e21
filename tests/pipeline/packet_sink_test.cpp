// The packet sink of an output stream alone, on the null muxer: bytes counted as handed in,
// packets held by a bitstream filter written only when the stream is flushed, and the policy
// that fails or logs a fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "engine/pipeline/stream_packet_sink.h"
#include "../test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class PacketSink : public LibrariesLoaded {};

struct FlushCase {
    const char* name;
    const char* filter;  // nullptr: no bitstream filter
    std::int64_t packetsBeforeFlush;
    std::int64_t packetsAfterFlush;
    std::int64_t bytesAfterFlush;
};

}  // namespace

TEST_F(PacketSink, CountsWhatItIsGivenAndWritesWhatTheFiltersHeldOnlyAtTheFlush)
{
    // 15 packets of 100 stereo 16-bit samples: 6000 bytes. pcm_rechunk holds them until it has
    // 1024 samples, and pads the rest to a whole packet at the end.
    const std::vector<FlushCase> cases = {
        {"no filter", nullptr, 15, 15, 6000},
        {"a filter that holds packets", "pcm_rechunk", 1, 2, 2 * 4096},
    };
    for (const FlushCase& c : cases) {
        SCOPED_TRACE(c.name);
        AVFormatContext* raw = nullptr;
        ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "null", nullptr), 0);
        TOutputContextPtr file(raw);
        AVStream* stream = av::avformat_new_stream(raw, nullptr);
        AVCodecParameters* parameters = stream->codecpar;
        parameters->codec_type = AVMEDIA_TYPE_AUDIO;
        parameters->codec_id = AV_CODEC_ID_PCM_S16LE;
        parameters->sample_rate = 48000;
        parameters->block_align = 4;
        av::av_channel_layout_default(&parameters->ch_layout, 2);
        stream->time_base = AVRational{1, 48000};
        std::vector<TBitstreamFilterSpec> filters;
        if (c.filter != nullptr) filters.push_back({av::av_bsf_get_by_name(c.filter), c.filter});
        TStreamPacketSink sink;
        TRunCounters counters;
        sink.Writer().Configure(filters, stream);
        sink.Bind(raw, "pcm_s16le", counters, TErrorPolicy(true, {}));
        ASSERT_GE(av::avformat_write_header(raw, nullptr), 0);
        TPacketPtr packet(av::av_packet_alloc());
        for (int i = 0; i < 15; ++i) {
            ASSERT_GE(av::av_new_packet(packet.get(), 400), 0);
            packet->pts = packet->dts = 100 * i;
            packet->duration = 100;
            sink.Write(packet.get(), TPayload::Audio);
            av::av_packet_unref(packet.get());
        }
        EXPECT_EQ(sink.Writer().WrittenPackets(), c.packetsBeforeFlush);
        EXPECT_EQ(counters.audioSize, 6000);
        EXPECT_EQ(sink.PayloadBytes(TPayload::Audio), 6000);
        EXPECT_EQ(counters.videoSize, 0);
        sink.Flush();
        EXPECT_EQ(sink.Writer().WrittenPackets(), c.packetsAfterFlush);
        EXPECT_EQ(sink.Writer().WrittenBytes(), c.bytesAfterFlush);
        EXPECT_GE(sink.WrittenTime(), 1500.0 / 48000);
        av::av_write_trailer(raw);
    }
}

TEST(ErrorPolicy, FailsTheRunWhenAskedToExitOnErrorsAndElseLogsTheSameText)
{
    for (const bool exitOnError : {true, false}) {
        SCOPED_TRACE(exitOnError ? "exit on errors" : "go on");
        std::vector<std::pair<int, std::string>> lines;
        const TErrorPolicy policy(exitOnError, [&lines](int level, const std::string& text) {
            lines.emplace_back(level, text);
        });
        EXPECT_EQ(FailureOf([&] { policy.Fault("error cropping picture"); }),
                  exitOnError ? "error cropping picture" : "");
        EXPECT_EQ(FailureOf([&] { policy.Fault("not told", kLevelInfo, false); }), exitOnError ? "not told" : "");
        const std::vector<std::pair<int, std::string>> expected =
            exitOnError ? std::vector<std::pair<int, std::string>>{}
                        : std::vector<std::pair<int, std::string>>{{kLevelError, "error cropping picture"}};
        EXPECT_EQ(lines, expected);
    }
}
