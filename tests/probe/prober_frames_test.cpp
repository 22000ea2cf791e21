// Seeking and decoding single pictures into 24-bit BGR bitmaps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

#include "binding/bgr_conversion.h"
#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "probe_media.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class ProberFrames : public ProberTest {};

struct TColour {
    int blue;
    int green;
    int red;
};
constexpr TColour kRed{0, 0, 255};
constexpr TColour kBlue{255, 0, 0};
constexpr TColour kGreen{0, 128, 0};

// Every pixel within a few steps of the colour (the round trip through YUV is not exact).
bool FilledWith(const TBitmap24& bitmap, TColour colour)
{
    if (bitmap.Empty()) return false;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (std::abs(row[3 * x] - colour.blue) > 8 || std::abs(row[3 * x + 1] - colour.green) > 8 ||
                std::abs(row[3 * x + 2] - colour.red) > 8)
                return false;
        }
    }
    return true;
}

bool IsBlack(const TBitmap24& bitmap) { return FilledWith(bitmap, TColour{0, 0, 0}); }

std::string Pixels(const TBitmap24& bitmap)
{
    std::string pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        pixels.append(reinterpret_cast<const char*>(bitmap.ScanLine(y)), static_cast<std::size_t>(bitmap.BytesPerLine()));
    return pixels;
}
}  // namespace

TEST_F(ProberFrames, EveryPictureOnceInItsColourThenBlackAtTheEnd)
{
    EXPECT_TRUE(probe.LastFrame().Empty());
    // Pictures in a different order than they are shown: the decoder holds some back until the
    // end of the file, where it must be drained.
    const std::string path =
        OpenMade("reordered.mp4", "-f lavfi -i color=c=red:s=64x48:r=25:d=1 -c:v libx264 -bf 3 -pix_fmt yuv420p");
    const int expected = std::stoi(Ffprobe(path, "stream=nb_read_frames", 0, "-count_frames").at("nb_read_frames"));
    ASSERT_EQ(expected, 25);
    const TBitmap24& frame = probe.ReadFrame(-1);
    EXPECT_EQ(frame.Width(), 64);
    EXPECT_EQ(frame.Height(), 48);
    EXPECT_TRUE(FilledWith(frame, kRed));
    EXPECT_EQ(Pixels(probe.LastFrame()), Pixels(frame));
    // The same bitmap comes back each time, filled with the next picture.
    int pictures = 1;
    LibraryLogCapture log;
    while (pictures <= expected && FilledWith(probe.ReadFrame(0), kRed)) ++pictures;
    EXPECT_EQ(pictures, expected);
    const TBitmap24& end = probe.ReadFrame(-1);
    EXPECT_EQ(&end, &frame);
    EXPECT_EQ(end.Width(), 64);
    EXPECT_TRUE(IsBlack(end));
    EXPECT_TRUE(Logged(log.Lines(), kLevelDebug, "stream eof reached.\n"));
    // The last picture decoded is kept apart from the blackened frame.
    EXPECT_TRUE(FilledWith(probe.LastFrame(), kRed));
}

TEST_F(ProberFrames, PicturesMatchFfmpegsOwnDecoding)
{
    for (const char* name : {"h264-aac-1080p.mp4", "vp9-1080x1080.webm", "vp8-8x8.webm"}) {
        SCOPED_TRACE(name);
        const std::string path = OpenSample(name);
        if (path.empty()) GTEST_SKIP() << "no sample media";
        const std::string pixels = Pixels(probe.ReadFrame(-1));
        const std::string reference = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(path) +
                                                 " -map 0:v:0 -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
        ASSERT_EQ(pixels.size(), reference.size());
        double difference = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            difference += std::abs(static_cast<std::uint8_t>(pixels[i]) - static_cast<std::uint8_t>(reference[i]));
        EXPECT_LT(difference / static_cast<double>(pixels.size()), 1.0);
    }
}

TEST_F(ProberFrames, SeekThenReadGivesThePictureThere)
{
    // One second of red, then one second of blue, a key picture every five.
    const std::string path = OpenMade("red-blue.mp4", "-f lavfi -i color=c=red:s=64x48:r=25:d=1 -f lavfi -i "
                                                      "color=c=blue:s=64x48:r=25:d=1 -filter_complex concat=n=2 "
                                                      "-c:v libx264 -g 5 -pix_fmt yuv420p");
    EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kRed));
    // Seeking goes to the key picture at or after the position: one step of the stream's time
    // after the last red key picture (0.8 s) is the first blue one.
    const std::string timeBase = Ffprobe(path, "stream=time_base", 0).at("time_base");
    ASSERT_EQ(timeBase.rfind("1/", 0), 0u) << timeBase;
    const long long den = std::stoll(timeBase.substr(2));
    const long long justAfter = 800000 + (1000000 + den - 1) / den;
    for (const auto& [stream, position, colour] : {std::tuple{-1, 1500000LL, kBlue}, {-1, 0LL, kRed},
                                                   {0, 1200000LL, kBlue}, {-1, -5LL, kRed}, {-1, justAfter, kBlue}}) {
        EXPECT_TRUE(probe.Seek(stream, position)) << position;
        EXPECT_TRUE(FilledWith(probe.ReadFrame(stream), colour)) << position;
    }

    LibraryLogCapture log;
    EXPECT_FALSE(probe.Seek(probe.StreamCount(), 0));
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "stream index #1 is invalid.\n"));
    // Past the end: taken as the end, where no key picture follows; the answer is still true.
    EXPECT_TRUE(probe.Seek(-1, 3600000000LL));
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "could not seek to position 3600.000\n"));
    const TBitmap24& frame = probe.ReadFrame(-1);
    EXPECT_TRUE(FilledWith(frame, kBlue) || IsBlack(frame));
    EXPECT_TRUE(probe.Seek(-1, INT64_MAX));
    EXPECT_TRUE(probe.Seek(-1, 0));
    EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kRed));
}

// The second stream's bgr24 pictures of an odd width are copied row by row as they are.
TEST_F(ProberFrames, EachVideoStreamHasItsOwnPicturesAndOthersNone)
{
    OpenMade("three.nut", "-f lavfi -i color=c=red:s=64x48:r=25:d=1 -f lavfi -i color=c=blue:s=33x17:r=25:d=1,"
                          "format=bgr24 -f lavfi -i sine=d=1 -map 0:v -map 1:v -map 2:a -c:v:0 mpeg4 -c:v:1 rawvideo "
                          "-c:a mp2");
    EXPECT_TRUE(FilledWith(probe.ReadFrame(0), kRed));
    const TBitmap24& second = probe.ReadFrame(1);
    EXPECT_EQ(second.Width(), 33);
    EXPECT_EQ(second.Height(), 17);
    EXPECT_TRUE(FilledWith(second, kBlue));

    LibraryLogCapture log;
    EXPECT_TRUE(probe.ReadFrame(2).Empty());
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "stream #2 is not video stream.\n"));
    EXPECT_TRUE(probe.ReadFrame(3).Empty());
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "stream index #3 is invalid.\n"));
    EXPECT_TRUE(FilledWith(probe.LastFrame(), kBlue));
    // Back to the first stream from its start (reading on would start between key pictures).
    EXPECT_TRUE(probe.Seek(0, 0));
    EXPECT_TRUE(FilledWith(probe.ReadFrame(0), kRed));
}

// A stream may change its picture size midway; the bitmap takes each picture's own size.
TEST_F(ProberFrames, APictureSizeChangedMidwayResizesTheBitmap)
{
    const std::string first = MakeMedia(folder.Path("a.ts"), "-f lavfi -i color=c=red:s=64x48:r=25:d=0.4 -c:v mpeg2video");
    const std::string second = MakeMedia(folder.Path("b.ts"), "-f lavfi -i color=c=blue:s=64x24:r=25:d=0.4 -c:v mpeg2video");
    ASSERT_FALSE(first.empty() || second.empty());
    const std::string joined = folder.Path("joined.ts");
    RunCommand("cat " + ShellQuoted(first) + " " + ShellQuoted(second) + " > " + ShellQuoted(joined));
    ASSERT_TRUE(probe.Open(joined)) << probe.LastErrMsg();
    EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kRed));
    int pictures = 0;
    while (++pictures < 30 && probe.ReadFrame(-1).Height() == 48) {}
    const TBitmap24& frame = probe.LastFrame();
    EXPECT_EQ(frame.Width(), 64);
    EXPECT_EQ(frame.Height(), 24);
    EXPECT_TRUE(FilledWith(frame, kBlue));
}

// A file that opens but whose pictures no decoder takes: made with the ffmpeg tool, then its
// header changed to claim a coding whose decoder refuses the picture depth.
TEST_F(ProberFrames, AStreamWhoseDecoderWillNotOpenGivesNoPicture)
{
    const std::string made = MakeMedia(folder.Path("raw.avi"), "-f lavfi -i color=c=red:s=32x24:r=25:d=0.2 "
                                                                "-c:v rawvideo -pix_fmt bgr24");
    ASSERT_FALSE(made.empty());
    std::ifstream in(made, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t picture = bytes.find("strf") + 8;  // the picture format after the chunk's name and size
    ASSERT_GT(picture, 8u);
    bytes.replace(picture + 14, 6, std::string("\x0c\x00" "AASC", 6));  // 12 bits per pixel, coding "AASC"
    WriteBytes(folder.Path("refused.avi"), bytes);
    ASSERT_TRUE(probe.Open(folder.Path("refused.avi"))) << probe.LastErrMsg();
    LibraryLogCapture log;
    EXPECT_TRUE(probe.ReadFrame(-1).Empty());
    EXPECT_TRUE(Logged(log.Lines(), kLevelError, "Error while opening codec for input file stream #0\n"));
    EXPECT_TRUE(probe.LastFrame().Empty());
}

// A picture of no known pixel format is refused before any scaler is asked to read it.
TEST_F(ProberFrames, APictureOfNoKnownFormatIsRefusedUntouched)
{
    std::vector<std::uint8_t> rows(16 * 16 * 4);
    const TFramePtr picture(av::av_frame_alloc());
    ASSERT_NE(picture, nullptr);
    picture->width = picture->height = 16;
    picture->format = AV_PIX_FMT_NONE;
    picture->data[0] = rows.data();
    picture->linesize[0] = 64;
    TBitmap24 bitmap(8, 8);
    LibraryLogCapture log;
    EXPECT_FALSE(TBgrConversion().ToBitmap(*picture, bitmap));
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front().second;
}

TEST_F(ProberFrames, StillPictureIsDecodedOnce)
{
    const std::string path = MakeMedia(folder.Path("green.png"), "-f lavfi -i color=c=green:s=32x24 -frames:v 1");
    ASSERT_FALSE(path.empty());
    // Forced as a picture sequence, and detected from the data (a single-picture reader).
    for (const std::string format : {"image2", ""}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(probe.Open(path, format)) << probe.LastErrMsg();
        EXPECT_EQ(probe.GetFormatName(), format.empty() ? "png_pipe" : "image2");
        // No byte stream of its own in the sequence reader: the size comes from the disk.
        EXPECT_EQ(probe.GetFileSize(), FileSize(path));
        const TBitmap24& frame = probe.ReadFrame(-1);
        EXPECT_EQ(frame.Width(), 32);
        EXPECT_TRUE(FilledWith(frame, kGreen));
        // Past its one picture the file has nothing more; the picture stays.
        EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kGreen));
        LibraryLogCapture log;
        EXPECT_TRUE(probe.Seek(-1, 1000000));
        EXPECT_TRUE(Logged(log.Lines(), kLevelInfo, "\"image2\" format cannot to be seeked.\n"));
        EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kGreen));
        // Closing forgets the picture; opening again decodes it anew.
        probe.Close();
        EXPECT_TRUE(frame.Empty());
        ASSERT_TRUE(probe.Open(path, format));
        EXPECT_TRUE(FilledWith(probe.ReadFrame(-1), kGreen));
    }
}

TEST_F(ProberFrames, TruncatedFilesGiveWhatTheyHold)
{
    // Index first, so that a cut file still opens and ends early.
    const std::string whole = MakeMedia(folder.Path("whole.mp4"), "-f lavfi -i testsrc=s=160x120:r=25:d=2 "
                                                                  "-c:v libx264 -pix_fmt yuv420p -movflags faststart");
    ASSERT_FALSE(whole.empty());
    std::vector<std::string> cut = {folder.Path("cut.mp4")};
    CopyHead(whole, cut[0], FileSize(whole) * 2 / 3);
    if (const std::string sample = SamplePath("vp9-1080x1080.webm"); !sample.empty()) {
        cut.push_back(folder.Path("cut.webm"));
        CopyHead(sample, cut[1], FileSize(sample) / 3);
    }
    for (const std::string& path : cut) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(probe.Open(path)) << probe.LastErrMsg();
        int pictures = 0;
        while (pictures < 200 && !IsBlack(probe.ReadFrame(-1))) ++pictures;
        EXPECT_GT(pictures, 0);
        EXPECT_LT(pictures, 200);
        EXPECT_TRUE(probe.Seek(-1, 0));
        EXPECT_FALSE(IsBlack(probe.ReadFrame(-1)));
    }
}
