// The audio output alone on a fake packet sink: blocks of samples in, encoder frames out, with
// times that run on without a gap, gaps filled and overlaps trimmed as the sync method asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/run_records.h"
#include "../test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

constexpr int kFrame = 1152;  // samples of an MP2 frame

// Keeps what a stage hands on.
class RecordingSink final : public IPacketSink {
public:
    struct Packet {
        std::int64_t pts;
        std::int64_t duration;
    };
    void Write(AVPacket* packet, TPayload payload) override
    {
        packets.push_back({packet->pts, packet->duration});
        if (payload == TPayload::Audio) bytes += packet->size;
        av::av_packet_unref(packet);
    }
    std::int64_t PayloadBytes(TPayload payload) const override { return payload == TPayload::Audio ? bytes : 0; }
    double WrittenTime() const override { return 0; }

    std::vector<Packet> packets;
    std::int64_t bytes = 0;
};

// A source stream of stereo sound and an MP2 encoder for it, as the set-up leaves them.
class AudioStage : public LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        AVFormatContext* raw = nullptr;
        ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "null", nullptr), 0);
        m_file.reset(raw);
        m_source.stream = av::avformat_new_stream(raw, nullptr);
        m_output.stream = av::avformat_new_stream(raw, nullptr);
        ASSERT_NE(m_output.stream, nullptr);
        m_output.stream->time_base = AVRational{1, 48000};
    }

    // The source's blocks are of format at rate; the encoder makes MP2 at 48 kHz.
    std::unique_ptr<TAudioOutput> MakeStage(AVSampleFormat format, int rate, int syncMethod, RecordingSink& sink,
                                            TCodecContextPtr& encoder)
    {
        AVCodecParameters* source = m_source.stream->codecpar;
        source->codec_type = AVMEDIA_TYPE_AUDIO;
        source->format = format;
        source->sample_rate = rate;
        av::av_channel_layout_default(&source->ch_layout, 2);
        const AVCodec* codec = av::avcodec_find_encoder(AV_CODEC_ID_MP2);
        if (codec == nullptr) return nullptr;
        encoder.reset(av::avcodec_alloc_context3(codec));
        encoder->sample_rate = 48000;
        encoder->bit_rate = 192000;
        av::av_channel_layout_default(&encoder->ch_layout, 2);
        m_output.codec = encoder.get();
        m_output.encoder = codec;
        TAudioOutputContext context;
        context.settings.syncMethod = syncMethod;
        context.errors = TErrorPolicy(true, {});
        auto stage = std::make_unique<TAudioOutput>(context, m_source, m_output, sink);
        stage->BeforeEncoderOpens(*codec);
        if (av::avcodec_open2(encoder.get(), codec, nullptr) < 0) return nullptr;
        stage->Open();
        return stage;
    }

    // A block of samples samples of a steady tone level in the given format.
    static TFramePtr Block(AVSampleFormat format, int rate, int samples)
    {
        TFramePtr frame(av::av_frame_alloc());
        frame->format = format;
        frame->sample_rate = rate;
        frame->nb_samples = samples;
        av::av_channel_layout_default(&frame->ch_layout, 2);
        EXPECT_GE(av::av_frame_get_buffer(frame.get(), 0), 0);
        for (int channel = 0; channel < 2; ++channel) {
            for (int i = 0; i < samples; ++i) {
                if (format == AV_SAMPLE_FMT_S16)
                    reinterpret_cast<std::int16_t*>(frame->data[0])[2 * i + channel] = 1000;
                else
                    reinterpret_cast<float*>(frame->extended_data[channel])[i] = 0.03f;
            }
        }
        return frame;
    }

    TOutputContextPtr m_file;
    TInputStream m_source;
    TOutputStream m_output;
};

struct FramingCase {
    const char* name;
    AVSampleFormat format;
    int rate;
    int syncMethod;
    int blockSamples;
    std::vector<std::int64_t> blockTimes;  // microseconds
    std::size_t packets;
    // Frames at 0, 1152, 2304, ... exactly; else the resampler's delay and rounding may move a
    // frame by a sample or two, never back.
    bool exactTimes;
};

}  // namespace

TEST_F(AudioStage, FramesRunOnWithoutGapsAndTheLastPartOfAFrameIsKept)
{
    // 20833 us is 1000 samples at 48 kHz.
    const std::vector<FramingCase> cases = {
        {"four frames and a part, the part completed at the end", AV_SAMPLE_FMT_S16, 48000, 0, 1000,
         {0, 20833, 41667, 62500, 83333}, 5, true},
        {"a gap at the start is filled with silence", AV_SAMPLE_FMT_S16, 48000, 1, 1000, {20000, 40833}, 3, true},
        {"a block over the one before is trimmed away", AV_SAMPLE_FMT_S16, 48000, 1, 1000, {0, 0, 20833}, 2, true},
        {"resampled to the encoder's rate and format", AV_SAMPLE_FMT_FLTP, 44100, 0, 1024,
         {0, 23220, 46440, 69660, 92880, 116100, 139320, 162540, 185760, 208980}, 10, false},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        TCodecContextPtr encoder;
        std::unique_ptr<TAudioOutput> stage = MakeStage(c.format, c.rate, c.syncMethod, sink, encoder);
        ASSERT_NE(stage, nullptr);
        const TFramePtr block = Block(c.format, c.rate, c.blockSamples);
        for (const std::int64_t time : c.blockTimes) stage->Process(*block, time);
        stage->Drain();
        ASSERT_EQ(sink.packets.size(), c.packets);
        // The encoder's packets come its delay before the frames they code.
        const std::int64_t delay = encoder->initial_padding;
        for (std::size_t i = 0; i < sink.packets.size(); ++i) {
            const std::int64_t pts = sink.packets[i].pts + delay;
            if (c.exactTimes) {
                EXPECT_EQ(pts, static_cast<std::int64_t>(i) * kFrame) << "packet " << i;
            } else if (i == 0) {
                EXPECT_LT(pts, 64);
            } else {
                const std::int64_t step = sink.packets[i].pts - sink.packets[i - 1].pts;
                EXPECT_TRUE(step >= kFrame && step <= kFrame + 2) << "packet " << i << " step " << step;
            }
            EXPECT_EQ(sink.packets[i].duration, kFrame) << "packet " << i;
        }
        EXPECT_EQ(stage->FramesWritten(), static_cast<int>(c.packets));
        EXPECT_GT(sink.bytes, 0);
    }
}

TEST_F(AudioStage, EachOutputOfOneSourceFillsItsOwnStartGap)
{
    // Two outputs take the same blocks in turn, as the decoder hands them on: what the first
    // did at the start must not change what the second does.
    RecordingSink sinks[2];
    TCodecContextPtr encoders[2];
    std::unique_ptr<TAudioOutput> stages[2];
    for (int i = 0; i < 2; ++i) {
        stages[i] = MakeStage(AV_SAMPLE_FMT_S16, 48000, 1, sinks[i], encoders[i]);
        ASSERT_NE(stages[i], nullptr);
    }
    const TFramePtr block = Block(AV_SAMPLE_FMT_S16, 48000, 1000);
    for (const std::int64_t time : {20000, 40833})
        for (auto& stage : stages) stage->Process(*block, time);
    for (auto& stage : stages) stage->Drain();
    EXPECT_EQ(sinks[0].packets.size(), 3u);
    EXPECT_EQ(sinks[1].packets.size(), 3u);
}
