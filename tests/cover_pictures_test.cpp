// Pictures that are not moving pictures: a cover (an attached picture) converts as one picture
// and stays the cover where the container has covers, also in a clip of the sound; an odd
// picture size gets a pixel format the encoder can hold it in, and a container that takes
// pictures only as covers gets no picture from a video.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "test_support.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class CoverPictures : public LibrariesLoaded {
protected:
    TempFolder folder;
};

// codec, width x height, pictures, attached-picture mark of the first video stream.
std::string PictureOf(const std::string& path)
{
    return RunCommand("ffprobe -v error -count_frames -select_streams v -show_entries "
                      "stream=codec_name,width,height,nb_read_frames:stream_disposition=attached_pic -of csv=p=0 " +
                      ShellQuoted(path));
}

// Without an asked pixel format an odd-sized picture gets the encoder's best for it; an asked one
// the encoder lacks becomes its first, which cannot hold an odd size: the picture loses a row.
TEST_F(CoverPictures, AnOddSizedCoverConvertsAsOnePictureInAFormatThatHoldsIt)
{
    const std::string cover = MakeMedia(folder.Path("cover.png"), "-f lavfi -i testsrc=size=120x63 -frames:v 1");
    ASSERT_FALSE(cover.empty());
    for (const auto& [name, codec] : {std::pair<std::string, std::string>{"song.flac", "flac"}, {"song.mp3", "libmp3lame"}}) {
        const std::string song = MakeMedia(folder.Path(name), "-f lavfi -i sine=duration=1 -i " + ShellQuoted(cover) +
                                                                  " -map 0 -map 1 -c:a " + codec +
                                                                  " -c:v png -disposition:v attached_pic");
        ASSERT_FALSE(song.empty());
        for (const std::string ending : {"mkv", "mp4", "mp3"}) {
            SCOPED_TRACE(name + " to " + ending);
            const std::string output = folder.Path(name + "." + ending);
            CapturingTask task;
            ASSERT_EQ(Convert(task, song, output, ""), "");
            EXPECT_EQ(DecodeErrors(output), "");
            EXPECT_NEAR(ProbeDuration(output), 1.0, 0.1);
            EXPECT_EQ(Probe(output, "a", "stream=codec_type"), "audio");
            // No covers in Matroska: a picture stream of one picture, in full colour.
            EXPECT_EQ(PictureOf(output), ending == "mkv" ? "h264,120,63,1,0\n" : "png,120,63,1,1\n");
            if (ending == "mkv") {
                EXPECT_EQ(Probe(output, "v", "stream=pix_fmt"), "yuv444p");
            }
        }
    }
    // The asked format the encoder lacks: its first, 4:2:0, which takes only even sizes.
    CapturingTask asked;
    const std::string output = folder.Path("asked.mp4");
    ASSERT_EQ(Convert(asked, cover, output, "vcodec=libx264\npix_fmt=rgb24"), "");
    EXPECT_EQ(Probe(output, "v:0", "stream=codec_name,width,height,nb_frames"), "h264\n120\n62\n1");
    EXPECT_EQ(asked.MessageCount("Picture size 120x63 rounded down to 120x62 for output stream #0.0: libx264 takes no "
                                 "odd sizes in yuv420p"),
              1);
}

// A cover is no moment of the sound: a clip keeps it, whether its start seeks the input or is an
// output option.
TEST_F(CoverPictures, AClipKeepsTheCover)
{
    const std::string cover = MakeMedia(folder.Path("cover.png"), "-f lavfi -i testsrc=size=120x64 -frames:v 1");
    ASSERT_FALSE(cover.empty());
    const std::string song = MakeMedia(folder.Path("song.mp3"), "-f lavfi -i sine=duration=4 -i " + ShellQuoted(cover) +
                                                                    " -map 0 -map 1 -c:a libmp3lame -c:v png "
                                                                    "-disposition:v attached_pic");
    ASSERT_FALSE(song.empty());
    for (const auto& [name, input, output] : {std::tuple<std::string, std::string, std::string>{"seek", "ss=1", "t=2"},
                                              {"dropped", "", "ss=1\nt=2"}}) {
        const std::string clip = folder.Path(name + ".mp3");
        CapturingTask task;
        ASSERT_EQ(Convert(task, song, clip, output, input), "") << name;
        EXPECT_EQ(PictureOf(clip), "png,120,64,1,1\n") << name;
        EXPECT_NEAR(ProbeDuration(clip), 2.0, 0.1) << name;
    }
}

TEST_F(CoverPictures, AVideoToAnAudioFileGivesTheSoundOnlyUnlessAPictureIsAsked)
{
    const std::string clip = MakeMedia(folder.Path("clip.mp4"), "-f lavfi -i testsrc=size=160x90:duration=1 "
                                                                "-f lavfi -i sine=duration=1 -c:v libx264 -c:a aac");
    ASSERT_FALSE(clip.empty());
    const std::string output = folder.Path("clip.mp3");
    CapturingTask task;
    ASSERT_EQ(Convert(task, clip, output, ""), "");
    EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + ShellQuoted(output)), "mp3\n");
    EXPECT_NEAR(ProbeDuration(output), 1.0, 0.1);

    const std::string asked = folder.Path("asked.mp3");
    CapturingTask second;
    ASSERT_EQ(Convert(second, clip, asked, "vcodec=png\nframes=1"), "");
    EXPECT_EQ(Probe(asked, "v", "stream=codec_name"), "png");
}

}  // namespace
