// Pictures that are not moving pictures: a cover (an attached picture) converts as one picture
// and stays the cover where the container has covers, an odd picture size gets a pixel format
// the encoder can hold it in, and a container that takes pictures only as covers gets no
// picture from a video.
#include <gtest/gtest.h>

#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class CoverPictures : public LibrariesLoaded {
protected:
    void SetUp() override
    {
        LibrariesLoaded::SetUp();
        cover = MakeMedia(folder.Path("cover.png"), "-f lavfi -i testsrc=size=120x63 -frames:v 1");
        ASSERT_FALSE(cover.empty());
    }
    // Sound with the cover attached, in the given audio codec and container.
    std::string SongWithCover(const std::string& name, const std::string& audioCodec)
    {
        return MakeMedia(folder.Path(name), "-f lavfi -i sine=duration=1 -i " + ShellQuoted(cover) +
                                                " -map 0 -map 1 -c:a " + audioCodec +
                                                " -c:v png -disposition:v attached_pic");
    }
    // codec, width x height, pictures, attached-picture mark of the first video stream.
    static std::string PictureOf(const std::string& path)
    {
        return RunCommand("ffprobe -v error -count_frames -select_streams v -show_entries "
                          "stream=codec_name,width,height,nb_read_frames:stream_disposition=attached_pic "
                          "-of csv=p=0 " +
                          ShellQuoted(path));
    }
    TempFolder folder;
    std::string cover;
};

TEST_F(CoverPictures, AnOddSizedCoverConvertsAsOnePictureAndStaysTheCover)
{
    for (const auto& [name, codec] : {std::pair<std::string, std::string>{"song.flac", "flac"},
                                      std::pair<std::string, std::string>{"song.mp3", "libmp3lame"}}) {
        const std::string song = SongWithCover(name, codec);
        ASSERT_FALSE(song.empty());
        for (const std::string ending : {"mkv", "mp4", "mp3"}) {
            SCOPED_TRACE(name + " to " + ending);
            const std::string output = folder.Path(name + "." + ending);
            CapturingTask task;
            ASSERT_EQ(Convert(task, song, output, ""), "");
            EXPECT_EQ(DecodeErrors(output), "");
            EXPECT_NEAR(ProbeDuration(output), 1.0, 0.1);
            EXPECT_EQ(Probe(output, "a", "stream=codec_type"), "audio");
            if (ending == "mkv") {
                // No covers in this container: a picture stream of one picture, in full colour.
                EXPECT_EQ(PictureOf(output), "h264,120,63,1,0\n");
                EXPECT_EQ(Probe(output, "v", "stream=pix_fmt"), "yuv444p");
            } else {
                EXPECT_EQ(PictureOf(output), "png,120,63,1,1\n");
            }
        }
    }
}

TEST_F(CoverPictures, AVideoToAnAudioFileGivesTheSoundOnly)
{
    const std::string clip = MakeMedia(folder.Path("clip.mp4"), "-f lavfi -i testsrc=size=160x90:duration=1 "
                                                                "-f lavfi -i sine=duration=1 -c:v libx264 -c:a aac");
    ASSERT_FALSE(clip.empty());
    const std::string output = folder.Path("clip.mp3");
    CapturingTask task;
    ASSERT_EQ(Convert(task, clip, output, ""), "");
    EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + ShellQuoted(output)),
              "mp3\n");
    EXPECT_NEAR(ProbeDuration(output), 1.0, 0.1);

    // Asked for, a picture stream is made all the same.
    const std::string asked = folder.Path("asked.mp3");
    CapturingTask second;
    ASSERT_EQ(Convert(second, clip, asked, "vcodec=png\nframes=1"), "");
    EXPECT_EQ(Probe(asked, "v", "stream=codec_name"), "png");
}

TEST_F(CoverPictures, AnOddSizedPictureGetsTheEncodersBestPixelFormatUnlessOneIsAsked)
{
    const std::string clip =
        MakeMedia(folder.Path("odd.mkv"), "-f lavfi -i testsrc=size=121x63:duration=0.4 -c:v png");
    ASSERT_FALSE(clip.empty());
    const std::string output = folder.Path("odd.mp4");
    CapturingTask task;
    ASSERT_EQ(Convert(task, clip, output, "vcodec=libx264"), "");
    EXPECT_EQ(Probe(output, "v", "stream=pix_fmt"), "yuv444p");
    EXPECT_EQ(Probe(output, "v", "stream=width,height"), "121\n63");

    // An asked format the encoder lacks is its first one, which cannot hold an odd size.
    CapturingTask asked;
    EXPECT_NE(Convert(asked, clip, folder.Path("asked.mp4"), "vcodec=libx264\npix_fmt=rgb24").find(
                  "Error while opening codec for output stream #0.0"),
              std::string::npos);
}

}  // namespace
