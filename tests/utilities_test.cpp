#include <gtest/gtest.h>

#include <unistd.h>

#include "binding/utilities.h"
#include "binding/av_headers.h"

using namespace mirelk;

TEST(FormatFileSize, BoundariesFallToTheSmallerUnit)
{
    EXPECT_EQ(FormatFileSize(0), "0 Byte");
    EXPECT_EQ(FormatFileSize(1024), "1024 Byte");
    EXPECT_EQ(FormatFileSize(1025), "1.00 KB");
    EXPECT_EQ(FormatFileSize(1048576), "1024.00 KB");
    EXPECT_EQ(FormatFileSize(1048577), "1.00 MB");
    EXPECT_EQ(FormatFileSize(1073741825), "1.00 GB");
    EXPECT_EQ(FormatFileSize(5LL * 1073741824 + 536870912), "5.50 GB");
    EXPECT_EQ(FormatFileSize(-5), "-5 Byte");
}

TEST(FormatDuration, HoursAreNotWrapped)
{
    EXPECT_EQ(FormatDuration(3723004000LL), "01:02:03.004");
    EXPECT_EQ(FormatDuration(360000000000LL), "100:00:00.000");
    EXPECT_EQ(FormatDuration(0), "00:00:00.000");
    EXPECT_EQ(FormatDuration(999), "00:00:00.000");
    EXPECT_EQ(FormatDuration(59999999), "00:00:59.999");
}

TEST(FetchToken, SplitsAndOptionallyRemoves)
{
    std::string text = "a=1;b=2";
    EXPECT_EQ(FetchToken(text, ";", true), "a=1");
    EXPECT_EQ(text, "b=2");
    EXPECT_EQ(FetchToken(text, ";", true), "b=2");
    EXPECT_EQ(text, "");

    std::string kept = "x|y|z";
    EXPECT_EQ(FetchToken(kept, "|", false), "x");
    EXPECT_EQ(kept, "x|y|z");
    std::string leading = ";rest";
    EXPECT_EQ(FetchToken(leading, ";", true), "");
    EXPECT_EQ(leading, "rest");
}

TEST(OpenErrorText, TemplatesChosenByMeaning)
{
    const std::string name = "clip 100%.mp4";
    EXPECT_EQ(OpenErrorText(name, AVERROR(ENOENT)), "clip 100%.mp4: no such file or directory");
    EXPECT_EQ(OpenErrorText(name, AVERROR_DEMUXER_NOT_FOUND), "clip 100%.mp4: Unknown format");
    EXPECT_EQ(OpenErrorText(name, AVERROR_INVALIDDATA), "clip 100%.mp4: Error while parsing header");
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

TEST(GetFileSizeByName, SizeOrMinusOne)
{
    EXPECT_EQ(GetFileSizeByName("/nonexistent/mirelk/file"), -1);
    const std::string path = ::testing::TempDir() + "mirelk_size_probe_" + std::to_string(::getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("12345", file);
    std::fclose(file);
    EXPECT_EQ(GetFileSizeByName(path), 5);
    std::remove(path.c_str());
}
