// The packet writer on its own: a packet the muxer refuses fails the run, unless the stream is
// one the output keeps only because the input had it.
#include <gtest/gtest.h>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "engine/pipeline/packet_writer.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class PacketWriter : public LibrariesLoaded {
protected:
    TempFolder folder;
};

}  // namespace

TEST_F(PacketWriter, APacketGoingBackFailsAStreamAskedForAndIsLeftOutOfAKeptOne)
{
    for (const bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "kept" : "asked for");
        const std::string path = folder.Path(kept ? "kept.mkv" : "asked.mkv");
        AVFormatContext* raw = nullptr;
        ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, nullptr, path.c_str()), 0);
        TOutputContextPtr output(raw);
        AVStream* stream = av::avformat_new_stream(raw, nullptr);
        stream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        stream->codecpar->codec_id = AV_CODEC_ID_SUBRIP;
        stream->time_base = AVRational{1, 1000};
        TPacketWriter writer;
        writer.Configure({}, stream);
        if (kept) writer.DropRefusedPackets();
        ASSERT_GE(av::avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
        ASSERT_GE(av::avformat_write_header(raw, nullptr), 0);
        std::vector<std::string> lines;
        const TErrorPolicy errors(false, [&lines](int, const std::string& text) { lines.push_back(text); });
        TPacketPtr packet(av::av_packet_alloc());
        std::string failure;
        for (const std::int64_t time : {1000, 500, 2000}) {
            ASSERT_GE(av::av_new_packet(packet.get(), 4), 0);
            std::copy_n("cue", 4, packet->data);
            packet->pts = packet->dts = time;
            packet->duration = 100;
            failure = FailureOf([&] { writer.Write(raw, packet.get(), "copy", errors); });
            av::av_packet_unref(packet.get());
            if (!failure.empty()) break;
        }
        if (kept) {
            EXPECT_EQ(failure, "");
            EXPECT_EQ(writer.WrittenPackets(), 2);
            EXPECT_EQ(lines, std::vector<std::string>{"A packet of output stream #0 was refused by the muxer and is "
                                                      "left out: Invalid argument"});
        } else {
            EXPECT_EQ(failure, "av_interleaved_write_frame(): Invalid argument");
            EXPECT_EQ(writer.WrittenPackets(), 1);
        }
        av::av_write_trailer(raw);
    }
}
