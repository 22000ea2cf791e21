#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "binding/av_headers.h"
#include "binding/utilities.h"

using namespace mirelk;

TEST(Utilities, SizesFallToTheSmallerUnitAtEachBoundaryAndHoursAreNotWrapped)
{
    EXPECT_EQ(FormatFileSize(1024), "1024 Byte");
    EXPECT_EQ(FormatFileSize(1025), "1.00 KB");
    EXPECT_EQ(FormatFileSize(1048576), "1024.00 KB");
    EXPECT_EQ(FormatFileSize(1048577), "1.00 MB");
    EXPECT_EQ(FormatFileSize(5LL * 1073741824 + 536870912), "5.50 GB");
    EXPECT_EQ(FormatFileSize(-5), "-5 Byte");
    EXPECT_EQ(FormatDuration(3723004999LL), "01:02:03.004");
    EXPECT_EQ(FormatDuration(360000000000LL), "100:00:00.000");
}

TEST(Utilities, FetchTokenSplitsAndOptionallyRemoves)
{
    std::string text = ";a=1;b=2";
    EXPECT_EQ(FetchToken(text, ";", true), "");
    EXPECT_EQ(FetchToken(text, ";", true), "a=1");
    EXPECT_EQ(text, "b=2");
    EXPECT_EQ(FetchToken(text, ";", false), "b=2");
    EXPECT_EQ(text, "b=2");
    EXPECT_EQ(FetchToken(text, ";", true), "b=2");
    EXPECT_EQ(text, "");
}

// The texts for the codes a real file cannot easily give; the others are met on real files in
// the input file tests.
TEST(Utilities, OpenErrorTextsChosenByMeaning)
{
    const std::string name = "clip 100%.mp4";
    EXPECT_EQ(OpenErrorText(name, AVERROR(ENOMEM)), "clip 100%.mp4: memory allocation error occurred");
    EXPECT_EQ(OpenErrorText(name, AVERROR(EIO)),
              "clip 100%.mp4: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.");
    EXPECT_EQ(OpenErrorText(name, AVERROR_EOF), OpenErrorText(name, AVERROR(EIO)));
    EXPECT_EQ(OpenErrorText(name, AVERROR(EACCES)), "clip 100%.mp4: Error while opening file");
    EXPECT_EQ(OpenErrorText("img", AVERROR(EDOM)),
              "img: Incorrect image filename syntax.\r\n"
              "Use '%d' to specify the image number:\r\n"
              "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n"
              "  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'.");
}

TEST(Utilities, FileSizeOrMinusOne)
{
    EXPECT_EQ(GetFileSizeByName("/nonexistent/mirelk/file"), -1);
    const std::string path = ::testing::TempDir() + "mirelk_size_probe_" + std::to_string(::getpid());
    std::ofstream(path) << "12345";
    EXPECT_EQ(GetFileSizeByName(path), 5);
    std::remove(path.c_str());
}
