// Files with streams that cannot be made: what is not the file's main content is left out and
// said so; a file whose main content cannot be converted fails with the libraries' reason and
// leaves no file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "binding/av_owners.h"
#include "binding/entry_points.h"
#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;
namespace fs = std::filesystem;

namespace {

class UnmakeableStreams : public LibrariesLoaded {
protected:
    TempFolder folder;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An ID3v2.3 tag holding one picture frame with the given bytes as a JPEG.
std::string Id3WithPicture(const std::string& picture)
{
    std::string frame = std::string("\0image/jpeg\0\x03\0", 14) + picture;
    std::string tag = "APIC";
    for (int shift = 24; shift >= 0; shift -= 8) tag += static_cast<char>((frame.size() >> shift) & 0xff);
    tag += std::string(2, '\0') + frame;
    std::string header = std::string("ID3\x03\0\0", 6);
    for (int shift = 21; shift >= 0; shift -= 7) header += static_cast<char>((tag.size() >> shift) & 0x7f);
    return header + tag;
}

// A Matroska file of the given streams whose every packet is noise: the container is sound, no
// packet decodes.
std::string MakeNoise(const std::string& path, const std::vector<AVCodecID>& codecs)
{
    AVFormatContext* raw = nullptr;
    if (av::avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()) < 0) return "";
    TOutputContextPtr output(raw);
    for (const AVCodecID codec : codecs) {
        AVStream* stream = av::avformat_new_stream(raw, nullptr);
        stream->codecpar->codec_id = codec;
        stream->time_base = AVRational{1, 1000};
        if (codec == AV_CODEC_ID_MP2) {
            stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
            stream->codecpar->sample_rate = 44100;
            av::av_channel_layout_default(&stream->codecpar->ch_layout, 2);
        } else {
            stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
            stream->codecpar->width = 160;
            stream->codecpar->height = 120;
        }
    }
    if (av::avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || av::avformat_write_header(raw, nullptr) < 0)
        return "";
    TPacketPtr packet(av::av_packet_alloc());
    std::uint32_t noise = 12345;
    for (int i = 0; i < 50; ++i) {
        for (unsigned stream = 0; stream < codecs.size(); ++stream) {
            if (av::av_new_packet(packet.get(), 600) < 0) return "";
            for (int b = 0; b < 600; ++b) {
                noise = noise * 1103515245 + 12345;
                packet->data[b] = static_cast<std::uint8_t>(noise >> 16);
            }
            packet->stream_index = static_cast<int>(stream);
            packet->pts = packet->dts = i * 40;
            packet->duration = 40;
            packet->flags |= AV_PKT_FLAG_KEY;
            if (av::av_interleaved_write_frame(raw, packet.get()) < 0) return "";
        }
    }
    return av::av_write_trailer(raw) < 0 ? "" : path;
}

}  // namespace

// Sound files whose cover picture is damaged or empty: the sound converts whole, the cover is
// left out with a line that says why.
TEST_F(UnmakeableStreams, DamagedCoversLeaveTheSoundWhole)
{
    const std::string mp3 = MakeMedia(folder.Path("plain.mp3"), "-f lavfi -i sine=duration=2 -c:a libmp3lame "
                                                                "-id3v2_version 0 -write_xing 0");
    const std::string aac = MakeMedia(folder.Path("plain.aac"), "-f lavfi -i sine=duration=2 -c:a aac -f adts");
    ASSERT_FALSE(mp3.empty() || aac.empty());
    const std::string damaged = Id3WithPicture(std::string("\xff\xd8\xff\xe0\x00\x10JFIF", 10) + std::string(300, '\x5a'));
    struct Case {
        std::string sound;
        const char* name;
        std::string tag;
    };
    const Case cases[] = {{mp3, "damaged cover.mp3", damaged},
                          {aac, "damaged cover.aac", damaged},
                          {mp3, "empty cover.mp3", Id3WithPicture("")}};
    for (const Case& c : cases) {
        const std::string input = folder.Path(c.name);
        std::ofstream(input, std::ios::binary) << c.tag << ReadFile(c.sound);
        for (const char* ending : {"mp3", "mkv"}) {
            SCOPED_TRACE(std::string(c.name) + " to " + ending);
            CapturingTask task;
            const std::string out = folder.Path(std::string("out.") + ending);
            ASSERT_EQ(Convert(task, input, out, ""), "");
            EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " + ShellQuoted(out)),
                      "audio\n");
            EXPECT_NEAR(ProbeDuration(out), 2.0, 0.1);
            EXPECT_EQ(DecodeErrors(out), "");
            const int coverLines = task.MessageCount("Cover picture #0.1 (mjpeg) left out: it cannot be decoded");
            EXPECT_EQ(coverLines, c.tag == damaged ? 1 : 0);
        }
    }
}

// A data track beside the pictures and the sound (a time code): the pictures and the sound
// convert, the track is left out and said so.
TEST_F(UnmakeableStreams, DataTracksAreLeftOut)
{
    const std::string withData = MakeMedia(folder.Path("time code.mp4"),
                                           "-f lavfi -i testsrc=duration=2:size=160x120:rate=25 -f lavfi -i "
                                           "sine=duration=2 -c:v mpeg4 -c:a aac -timecode 01:00:00:00");
    ASSERT_FALSE(withData.empty());
    ASSERT_EQ(Probe(withData, "d", "stream=codec_type"), "data");
    for (const char* ending : {"mp4", "mkv"}) {
        SCOPED_TRACE(ending);
        CapturingTask task;
        const std::string out = folder.Path(std::string("out.") + ending);
        ASSERT_EQ(Convert(task, withData, out, ""), "");
        EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " + ShellQuoted(out)),
                  "video\naudio\n");
        EXPECT_EQ(task.MessageCount("Data stream #0.2 (none) left out: data streams are not converted"), 1);
        EXPECT_EQ(DecodeErrors(out), "");
    }
}

// Nothing decodes: the run fails with the decoder's reason and leaves no file, where a run that
// wrote a header and nothing else used to finish.
TEST_F(UnmakeableStreams, ARunThatWritesNothingFails)
{
    const std::string vp9 = MakeNoise(folder.Path("vp9 noise.mkv"), {AV_CODEC_ID_VP9});
    const std::string both = MakeNoise(folder.Path("all noise.mkv"), {AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2});
    ASSERT_FALSE(vp9.empty() || both.empty());
    // The reason is the last decoding error: of the sound, read last of each pair of packets.
    for (const auto& [input, stream] : {std::pair{vp9, "0"}, std::pair{both, "1"}}) {
        for (const char* ending : {"mkv", "mp4"}) {
            SCOPED_TRACE(input + " to " + ending);
            CapturingTask task;
            const std::string out = folder.Path(std::string("out.") + ending);
            EXPECT_EQ(Convert(task, input, out, ""), std::string("Nothing was converted: Error while decoding stream #0.") +
                                                         stream + ": Invalid data found when processing input");
            EXPECT_FALSE(task.Finished);
            EXPECT_FALSE(fs::exists(out));
        }
    }
    // An audio book cut short after its index: the index promises packets the file does not hold.
    const std::string book = MakeMedia(folder.Path("book.m4b"), "-f lavfi -i sine=duration=3 -c:a aac "
                                                                "-movflags +faststart");
    ASSERT_FALSE(book.empty());
    const std::string whole = ReadFile(book);
    const std::string cut = folder.Path("cut book.m4b");
    std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.find("mdat") + 8);
    CapturingTask shortened;
    EXPECT_EQ(Convert(shortened, cut, folder.Path("book.mp3"), ""),
              "Nothing was converted: Error while decoding stream #0.0: Invalid data found when processing input");
    EXPECT_FALSE(fs::exists(folder.Path("book.mp3")));

    // Inputs that end before their data: a start beyond the end.
    const std::string clip = MakeMedia(folder.Path("one second.mkv"), "-f lavfi -i sine=duration=1 -c:a flac");
    CapturingTask beyond;
    EXPECT_EQ(Convert(beyond, clip, folder.Path("beyond.wav"), "ss=5"),
              "Nothing was converted: the inputs ended before giving any data");
    EXPECT_FALSE(fs::exists(folder.Path("beyond.wav")));
}

// Odd picture sizes: rounded down for an encoder that takes only even ones in its colour format,
// kept for one that takes them; an odd size asked for is refused.
TEST_F(UnmakeableStreams, OddPictureSizesAreRoundedWhereTheEncoderNeedsIt)
{
    const std::string odd = MakeMedia(folder.Path("odd.mkv"),
                                      "-f lavfi -i testsrc=duration=1:size=161x121:rate=25 -c:v libvpx-vp9 -pix_fmt yuv420p");
    ASSERT_FALSE(odd.empty());
    CapturingTask h264;
    ASSERT_EQ(Convert(h264, odd, folder.Path("even.mp4"), "vcodec=libx264\npreset=ultrafast"), "");
    EXPECT_EQ(Probe(folder.Path("even.mp4"), "v:0", "stream=codec_name,width,height"), "h264\n160\n120");
    EXPECT_NEAR(CountFrames(folder.Path("even.mp4")), 25, 1);
    EXPECT_EQ(h264.MessageCount("Picture size 161x121 rounded down to 160x120 for output stream #0.0: libx264 takes "
                                "no odd sizes in yuv420p"),
              1);
    CapturingTask mpeg4;
    ASSERT_EQ(Convert(mpeg4, odd, folder.Path("odd.avi"), "vcodec=mpeg4"), "");
    EXPECT_EQ(Probe(folder.Path("odd.avi"), "v:0", "stream=width,height"), "161\n121");
    EXPECT_EQ(mpeg4.MessageCount("Picture size "), 0);
    CapturingTask asked;
    EXPECT_EQ(Convert(asked, odd, folder.Path("asked.mp4"), "s=161x121"), "Frame size must be a multiple of 2");
    EXPECT_FALSE(fs::exists(folder.Path("asked.mp4")));
}

// Each failure the libraries explain says their reason after the message.
TEST_F(UnmakeableStreams, FailuresCarryTheLibrariesReason)
{
    const std::string clip = MakeMedia(folder.Path("clip.mkv"), "-f lavfi -i testsrc=duration=1:size=160x120:rate=25 "
                                                                "-c:v libvpx-vp9");
    ASSERT_FALSE(clip.empty());
    // A folder that cannot be written: made read-only for a user, the system's own for root,
    // who may write anywhere else.
    std::string readOnly = folder.Path("read only");
    if (geteuid() == 0) {
        readOnly = "/sys";
    } else {
        fs::create_directories(readOnly);
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string refused = readOnly + "/out.mp4";
    CapturingTask task;
    EXPECT_EQ(Convert(task, clip, refused, ""), "Could not open '" + refused + "': Permission denied");
    const std::string nowhere = folder.Path("no folder/out.mp4");
    CapturingTask missing;
    EXPECT_EQ(Convert(missing, clip, nowhere, ""), "Could not open '" + nowhere + "': No such file or directory");

    // An encoder that refuses its settings.
    const std::string sound = MakeMedia(folder.Path("sound.wav"), "-f lavfi -i sine=duration=1");
    CapturingTask encoder;
    EXPECT_EQ(Convert(encoder, sound, folder.Path("rate.mp3"), "ar=12345"),
              "Error while opening codec for output stream #0.0 - maybe incorrect parameters such as bit_rate, rate, "
              "width or height: Invalid argument");
    EXPECT_FALSE(fs::exists(folder.Path("rate.mp3")));

    // The muxer refuses the codec copied into it.
    CapturingTask header;
    EXPECT_EQ(Convert(header, clip, folder.Path("vp9.flv"), "vcodec=copy"),
              "Could not write header for output file #0 (incorrect codec parameters ?): Function not implemented");
    EXPECT_FALSE(fs::exists(folder.Path("vp9.flv")));
}
