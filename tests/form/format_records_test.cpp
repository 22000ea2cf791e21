// The output and input records: what a format's rule fixes over the user's choices, and what
// the choices and the typed numbers become.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <vector>

#include "form/option_choices.h"
#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

class OptionFormRecords : public OptionFormTest {
protected:
    TOutputOptions OutputFor(const std::string& format)
    {
        EXPECT_TRUE(form->SelectOutputFormat(format)) << format;
        return form->GetOutputOptions();
    }
};

// The form starts on 3GP, whose phones take one picture size and one kind of sound: the rule
// wins over the user's size and sound, not over the encoders or the frame rate.
TEST_F(OptionFormRecords, ThreeGpFixesSizeAndSoundOverTheChoices)
{
    UseClip();
    ASSERT_EQ(kOutputFormats[form->Settings.OutputFormat], "3GP");
    ASSERT_TRUE(form->SelectVideoEncoder("X264"));
    ASSERT_TRUE(form->SelectAudioEncoder("AAC"));
    ASSERT_TRUE(form->SelectFrameSize("352x288 - cif"));
    ASSERT_TRUE(form->SelectFrameRate("15"));
    form->Settings.SetAudioBitRate = true;
    form->Settings.AudioChannels = ChoiceIndex(kAudioChannelChoices, "Stereo");
    form->Settings.AudioSampleRate = ChoiceIndex(kAudioSampleRates, "44100");
    const TOutputOptions r = form->GetOutputOptions();
    EXPECT_EQ(std::tuple(r.FrameSize, r.AudioChannels, r.AudioSampleRate, r.AudioBitrate),
              std::tuple("128x96", 1, 8000, 7400));
    EXPECT_EQ(std::tuple(r.VideoCodec, r.AudioCodec, r.FrameRate, r.FileExt),
              std::tuple("libx264", "libfaac", "15", ".3gp"));
}

TEST_F(OptionFormRecords, DiscTargetsTakeTheirNormIntoPresetAndName)
{
    UseClip("a.avi");
    struct TCase {
        const char* format;
        const char* norm;
        int targetType;
        int targetNorm;
        const char* ending;
    };
    for (const TCase& c : {TCase{"VCD", "PAL", 1, 1, "_vcd_pal.mpg"}, TCase{"SVCD", "Auto", 2, 0, "_svcd_auto.mpg"},
                           TCase{"DVD", "ntsc", 3, 2, "_dvd_ntsc.mpg"}}) {
        SCOPED_TRACE(c.format);
        ASSERT_TRUE(form->SelectNorm(c.norm));
        const TOutputOptions record = OutputFor(c.format);
        EXPECT_EQ(record.TargetType, c.targetType);
        EXPECT_EQ(record.TargetNorm, c.targetNorm);
        EXPECT_EQ(record.DefaultNorm, 1);
        EXPECT_EQ(record.FileExt, c.ending);
        EXPECT_EQ(record.FileName, folder.Path("a_(new)") + c.ending);
    }
}

TEST_F(OptionFormRecords, FlashFormatsAcceptOnlyTheirSampleRates)
{
    UseClip();
    for (const char* format : {"FLV", "SWF"})
        for (const auto& [chosen, written] : {std::pair{"Auto", 22050}, {"8000", 22050}, {"11025", 11025},
                                              {"22050", 22050}, {"44100", 44100}}) {
            form->Settings.AudioSampleRate = ChoiceIndex(kAudioSampleRates, chosen);
            EXPECT_EQ(OutputFor(format).AudioSampleRate, written) << format << " " << chosen;
        }
}

TEST_F(OptionFormRecords, SoundOnlyFormatsLeaveOutTheInputPictures)
{
    UseClip();
    for (const char* format : {"AAC", "AC3", "MP2", "MP3", "WAV", "WMA"}) {
        OutputFor(format);
        EXPECT_EQ(form->GetInputOptions().ExtOptions, "vn=1") << format;
    }
    // The MP3 muxer would take pictures as cover art: its output leaves video out too.
    EXPECT_EQ(OutputFor("MP3").VideoDisable, 1);
    EXPECT_EQ(OutputFor("MP4").VideoDisable, 0);
    EXPECT_EQ(form->GetInputOptions().ExtOptions, "");
}

// The rule of a format wins over the encoder choice's codecs, not over its tag.
TEST_F(OptionFormRecords, EncoderChoicesGiveCodecsThatAFormatRuleMayReplace)
{
    UseClip();
    ASSERT_TRUE(form->SelectVideoEncoder("DivX"));
    ASSERT_TRUE(form->SelectAudioEncoder("AC3"));
    for (const auto& [format, video, audio] : {std::tuple{"AVI", "mpeg4", "ac3"}, {"WMV", "wmv2", "wmav2"}}) {
        const TOutputOptions record = OutputFor(format);
        EXPECT_EQ(record.VideoCodec, video);
        EXPECT_EQ(record.AudioCodec, audio);
        EXPECT_EQ(record.VideoTag, "DIVX");
    }
}

TEST_F(OptionFormRecords, ChoicesAndTypedNumbersFillTheirFields)
{
    UseClip();
    TOptionFormSettings& s = form->Settings;
    s.AudioSampleRate = ChoiceIndex(kAudioSampleRates, "44100");
    ASSERT_TRUE(form->SelectFrameSize("hd720"));  // found by its name, in any case
    s.AdjustVolume = s.SetVideoBitRate = s.SetAudioBitRate = true;
    s.AudioVolume = "+300";
    s.VideoBitRate = "800";
    s.AudioBitRate = " 96 ";
    TOutputOptions record = OutputFor("mp4");
    EXPECT_EQ(record.AudioSampleRate, 44100);
    EXPECT_EQ(record.FrameSize, "1280x720");
    EXPECT_EQ(record.AudioVolume, 300);
    EXPECT_EQ(record.VideoBitrate, 800000);
    EXPECT_EQ(record.AudioBitrate, 96000);

    // Texts that are no numbers fall back, and so does a rate whose bits per second would not fit.
    s.VideoBitRate = "3000000";
    s.AudioBitRate = "";
    record = OutputFor("MP4");
    EXPECT_EQ(record.VideoBitrate, 200000);
    EXPECT_EQ(record.AudioBitrate, 64000);
    for (const char* notANumber : {"loud", "+-5", "1.5", "12k", "99999999999"}) {
        s.AudioVolume = notANumber;
        EXPECT_EQ(OutputFor("MP4").AudioVolume, -1) << notANumber;
    }

    // Crop and pad edges count only when checked, and round toward zero to even numbers.
    s.CropEdges = {"7", "x", "-3", "10"};
    s.PadEdges = {"1", "-1", "5", ""};
    EXPECT_EQ(OutputFor("MP4").CropTop, -1);
    s.Crop = s.Pad = true;
    record = OutputFor("MP4");
    EXPECT_EQ(std::vector<int>({record.CropTop, record.CropBottom, record.CropLeft, record.CropRight}),
              std::vector<int>({6, 0, -2, 10}));
    EXPECT_EQ(std::vector<int>({record.PadTop, record.PadBottom, record.PadLeft, record.PadRight}),
              std::vector<int>({0, 0, 4, 0}));
}

TEST_F(OptionFormRecords, RecordsNeedAnInputAndAKnownFormat)
{
    // Unknown texts change no choice.
    ASSERT_TRUE(form->SelectOutputFormat("ipod"));
    const TOptionFormSettings before = form->Settings;
    EXPECT_FALSE(form->SelectOutputFormat("webm-av1"));
    EXPECT_FALSE(form->SelectFrameSize("1x1"));
    EXPECT_FALSE(form->SelectNorm("SECAM"));
    EXPECT_EQ(std::tuple(form->Settings.OutputFormat, form->Settings.FrameSize, form->Settings.Norm),
              std::tuple(before.OutputFormat, before.FrameSize, before.Norm));


    EXPECT_THROW(form->GetOutputOptions(), std::logic_error);
    EXPECT_THROW(form->GetInputOptions(), std::logic_error);
    UseClip();
    form->Settings.OutputFormat = static_cast<int>(kAllOutputFormats.size());
    EXPECT_THROW(form->GetOutputOptions(), std::out_of_range);
    EXPECT_THROW(form->GetInputOptions(), std::out_of_range);
    // Other choices outside their lists count as "Auto".
    form->Settings.OutputFormat = 9;
    form->Settings.FrameSize = 99;
    form->Settings.VideoEncoder = -4;
    const TOutputOptions record = form->GetOutputOptions();
    EXPECT_EQ(record.FrameSize, "");
    EXPECT_EQ(record.VideoCodec, "");
}

}  // namespace
