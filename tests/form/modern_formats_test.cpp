// Today's targets after the 24: what their rules fix, constant quality and speed, and the
// animated picture's limits.
#include <gtest/gtest.h>

#include <tuple>

#include "form/main_window_pages.h"
#include "form/option_choices.h"
#include "form/settings_entries.h"
#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class ModernFormats : public OptionFormTest {
protected:
    TOutputOptions OutputFor(const std::string& format)
    {
        EXPECT_TRUE(form->SelectOutputFormat(format)) << format;
        return form->GetOutputOptions();
    }
};

// What each of today's formats writes (codecs, tag, name) the command line's test reads from its
// output; here, that the choices made for the 24 stay out of them.
TEST_F(ModernFormats, TheEncoderChoicesOfTheTwentyFourStayOutOfTodaysFormats)
{
    UseClip("in.avi");
    ASSERT_TRUE(form->SelectVideoEncoder("DivX"));
    ASSERT_TRUE(form->SelectAudioEncoder("MP3"));
    for (const char* format : {"webm", "MP4-HEVC", "mkv-av1", "mp4-av1", "flac", "opus", "m4a-alac", "m4a"}) {
        SCOPED_TRACE(format);
        const TOutputOptions r = OutputFor(format);
        EXPECT_NE(r.VideoTag, "DIVX");
        EXPECT_NE(r.AudioCodec, "libmp3lame");
        const bool soundOnly = r.VideoCodec.empty();
        EXPECT_EQ(r.VideoDisable, soundOnly ? 1 : 0);
        EXPECT_EQ(form->GetInputOptions().ExtOptions, soundOnly ? "vn=1" : "");
    }
}

// The main window's page of today's targets: the format, size and speed it shows are what the
// record gets, whatever the option window chose before; the other pages' choices stay out.
TEST_F(ModernFormats, TheMainWindowsPageGivesItsFormatSizeAndSpeed)
{
    UseClip("in.avi");
    form->Settings.OutputFormat = 9;
    form->Settings.VideoEncoder = ChoiceIndex(kVideoEncoders, "DivX");
    TPageChoices choices;
    choices.VideoEncoder = ChoiceIndex(kVideoEncoders, "XviD");
    choices.ModernFormat = ChoiceIndex(kModernOutputFormats, "MP4-HEVC");
    choices.FrameSize = FrameSizeIndex("176x144");
    choices.EncoderSpeed = ChoiceIndex(kEncoderSpeeds, "Fastest");
    ApplyPageChoices(form->Settings, fpModern, choices);
    EXPECT_EQ(kAllOutputFormats[static_cast<std::size_t>(form->Settings.OutputFormat)], "MP4-HEVC");
    TOutputOptions r = form->GetOutputOptions();
    EXPECT_EQ(std::tuple(r.FileName, r.VideoCodec, r.VideoTag, r.FrameSize, r.ExtOptions),
              std::tuple(folder.Path("in_(new)_hevc.mp4"), "libx265", "hvc1", "176x144", "crf=24\r\nb=0\r\npreset=ultrafast"));

    choices.ModernFormat = ChoiceIndex(kModernOutputFormats, "Opus");
    ApplyPageChoices(form->Settings, fpModern, choices);
    r = form->GetOutputOptions();
    EXPECT_EQ(std::tuple(r.FileName, r.AudioCodec, r.VideoDisable), std::tuple(folder.Path("in_(new).opus"), "libopus", 1));

    // An index the list does not have takes the page's first format rather than another page's.
    for (int outside : {-1, static_cast<int>(kModernOutputFormats.size())}) {
        choices.ModernFormat = outside;
        ApplyPageChoices(form->Settings, fpModern, choices);
        EXPECT_EQ(kAllOutputFormats[static_cast<std::size_t>(form->Settings.OutputFormat)], "WebM") << outside;
    }
}

TEST_F(ModernFormats, QualityIsTheEncodersOwnScaleAndABitRateTurnsItOff)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    s.SetVideoQuality = true;
    s.VideoQuality = " 40 ";
    s.SetAudioQuality = true;
    s.AudioQuality = "48";
    s.EncoderSpeed = ChoiceIndex(kEncoderSpeeds, "Slowest");
    TOutputOptions r = OutputFor("WebM");
    EXPECT_EQ(r.ExtOptions, "crf=40\r\nb=0\r\ncpu-used=0");
    EXPECT_EQ(r.AudioBitrate, 48000);
    // Per channel: two channels chosen, twice the rate.
    s.AudioChannels = ChoiceIndex(kAudioChannelChoices, "Stereo");
    EXPECT_EQ(OutputFor("WebM").AudioBitrate, 96000);
    s.EncoderSpeed = ChoiceIndex(kEncoderSpeeds, "Fast");
    EXPECT_EQ(OutputFor("mp4-hevc").ExtOptions, "crf=40\r\nb=0\r\npreset=veryfast");
    EXPECT_EQ(OutputFor("mkv-av1").ExtOptions, "crf=40\r\nb=0\r\npreset=10");

    // The 24 formats convert at quality only when it is asked for, on their encoder's scale.
    s.VideoQuality = "4";
    EXPECT_EQ(OutputFor("AVI").ExtOptions, "qscale=4");
    EXPECT_EQ(OutputFor("MKV").ExtOptions, "crf=4\r\nb=0\r\npreset=veryfast");
    s.SetVideoQuality = s.SetAudioQuality = false;
    s.EncoderSpeed = 0;
    r = OutputFor("MKV");
    EXPECT_EQ(std::tuple(r.ExtOptions, r.AudioBitrate), std::tuple("", -1));

    // A bit rate the user checks wins over today's formats' quality; a checked quality wins over it.
    s.SetVideoBitRate = true;
    s.VideoBitRate = "900";
    r = OutputFor("WebM");
    EXPECT_EQ(std::tuple(r.ExtOptions, r.VideoBitrate), std::tuple("", 900000));
    s.SetVideoQuality = true;
    s.VideoQuality = "";
    r = OutputFor("WebM");
    EXPECT_EQ(std::tuple(r.ExtOptions, r.VideoBitrate), std::tuple("crf=31\r\nb=0", -1));
}

TEST_F(ModernFormats, QualityOutsideTheScaleIsExplainedAndCountsAsTheDefault)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    s.SetVideoQuality = true;
    for (const auto& [format, quality, problem] : {
             std::tuple{"MP4-HEVC", "52", "The video quality of libx265 is a whole number from 0 (best) to 51, not '52'."},
             {"MKV-AV1", "0", "The video quality of libsvtav1 is a whole number from 1 (best) to 63, not '0'."},
             {"WebM", "high", "The video quality of libvpx-vp9 is a whole number from 0 (best) to 63, not 'high'."},
             {"AVI", "-1", "The video quality of mpeg4 is a whole number from 1 (best) to 31, not '-1'."},
             {"GIF", "10", "The video encoder gif has no quality setting."},
             {"OGG", "10", "The video encoder libtheora has no quality setting."},
             {"FLAC", "10", "The format writes no pictures: a video quality is not for it."},
         }) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(form->SelectOutputFormat(format));
        s.VideoQuality = quality;
        EXPECT_EQ(form->QualityProblem(), problem);
    }
    s.VideoQuality = "52";
    EXPECT_EQ(OutputFor("MP4-HEVC").ExtOptions, "crf=24\r\nb=0");
    s.VideoQuality = "51";
    EXPECT_EQ(form->QualityProblem(), "");

    s.SetVideoQuality = false;
    s.SetAudioQuality = true;
    s.AudioQuality = "300";
    ASSERT_TRUE(form->SelectOutputFormat("opus"));
    EXPECT_EQ(form->QualityProblem(),
              "The audio quality of libopus is a whole number of kbit/s per channel from 6 to 256, not '300'.");
    ASSERT_TRUE(form->SelectOutputFormat("M4A-ALAC"));
    EXPECT_EQ(form->QualityProblem(), "The audio encoder alac has no quality setting.");
    ASSERT_TRUE(form->SelectOutputFormat("GIF"));
    EXPECT_EQ(form->QualityProblem(), "The format writes no sound: an audio quality is not for it.");
}

TEST_F(ModernFormats, AnimatedPicturesGetAPaletteALowRateASmallWidthAndAShortLength)
{
    const std::string wide = MakeMedia(folder.Path("wide.mkv"), "-f lavfi -i testsrc=s=640x360:r=30:d=1 -c:v mpeg4");
    UseInput(wide);
    TOutputOptions r = OutputFor("gif");
    EXPECT_EQ(std::tuple(r.FileExt, r.VideoCodec, r.AudioDisable, r.FrameRate, r.FrameSize, r.RecordingTime),
              std::tuple(".gif", "gif", 1, "15", "480x270", -1));
    EXPECT_EQ(r.VideoFilters, "fps=15,split[a][b];[a]palettegen[p];[b][p]paletteuse");
    EXPECT_EQ(r.ExtOptions, "pix_fmt=pal8");
    // What the user chooses stays, the filters before the palette.
    form->Settings.VertFlip = true;
    ASSERT_TRUE(form->SelectFrameRate("10"));
    ASSERT_TRUE(form->SelectFrameSize("cif"));
    r = OutputFor("gif");
    EXPECT_EQ(std::tuple(r.FrameRate, r.FrameSize), std::tuple("10", "352x288"));
    EXPECT_EQ(r.VideoFilters, "vflip,fps=10,split[a][b];[a]palettegen[p];[b][p]paletteuse");

    // A slow, small, long input keeps its rate and size and loses what lies past the longest length.
    const std::string slow = MakeMedia(folder.Path("slow.mkv"), "-f lavfi -i testsrc=s=64x48:r=2:d=75 -c:v mpeg4");
    form = std::make_unique<TOptionForm>(folder.Path("program"));
    UseInput(slow);
    r = OutputFor("gif");
    EXPECT_EQ(std::tuple(r.FrameRate, r.FrameSize, r.RecordingTime), std::tuple("2/1", "", 60000));
}

TEST_F(ModernFormats, SettingsEntriesKeepTheNewChoicesByName)
{
    TOptionFormSettings s;
    s.OutputFormat = ChoiceIndex(kAllOutputFormats, "M4A-ALAC");
    s.SetVideoQuality = true;
    s.VideoQuality = "28";
    s.AudioQuality = "80";
    s.EncoderSpeed = ChoiceIndex(kEncoderSpeeds, "Slow");
    const TSettingsEntries entries = SettingsEntries(s);
    const auto value = [&entries](const std::string& key) {
        for (const auto& [name, text] : entries)
            if (name == key) return text;
        return std::string("(none)");
    };
    EXPECT_EQ(std::tuple(value("grpFormats"), value("chkVideoQuality"), value("edtVideoQuality"),
                         value("chkAudioQuality"), value("edtAudioQuality"), value("grpEncoderSpeed")),
              std::tuple("M4A-ALAC", "1", "28", "0", "80", "Slow"));
    TOptionFormSettings read;
    ReadSettingsEntries(read, entries);
    EXPECT_EQ(std::tuple(read.OutputFormat, read.SetVideoQuality, read.VideoQuality, read.AudioQuality, read.EncoderSpeed),
              std::tuple(s.OutputFormat, true, "28", "80", s.EncoderSpeed));
    EXPECT_FALSE(ReadSettingsEntry(read, "grpEncoderSpeed", "Ludicrous"));
}

}  // namespace
