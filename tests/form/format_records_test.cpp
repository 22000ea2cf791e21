// The output and input records for the 24 formats, compared field by field with what each
// format's rule and the user's choices fix.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "form/form_text.h"
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

// The form starts on 3GP; its rule fixes size and sound over the user's choices and keeps
// encoders and rate.
TEST_F(OptionFormRecords, ThreeGpKeepsEncodersAndRateButFixesSizeAndSound)
{
    const std::string input = UseClip();
    ASSERT_EQ(kOutputFormats[form->Settings.OutputFormat], "3GP");
    TOutputOptions atCreation = RecordFor(input, ".3gp");
    atCreation.AudioChannels = 1;
    atCreation.AudioSampleRate = 8000;
    atCreation.AudioBitrate = 7400;
    atCreation.FrameSize = "128x96";
    ExpectSameRecord(form->GetOutputOptions(), atCreation);

    ASSERT_TRUE(form->SelectVideoEncoder("X264"));
    ASSERT_TRUE(form->SelectAudioEncoder("AAC"));
    ASSERT_TRUE(form->SelectFrameSize("352x288 - cif"));
    ASSERT_TRUE(form->SelectFrameRate("15"));
    form->Settings.SetAudioBitRate = true;
    form->Settings.AudioBitRate = "64";
    form->Settings.AudioChannels = 2;
    form->Settings.AudioSampleRate = 4;
    TOutputOptions expected = RecordFor(input, ".3gp");
    expected.VideoCodec = "libx264";
    expected.AudioCodec = "libfaac";
    expected.FrameRate = "15";
    expected.AudioChannels = 1;
    expected.AudioSampleRate = 8000;
    expected.AudioBitrate = 7400;
    expected.FrameSize = "128x96";
    ExpectSameRecord(OutputFor("3GP"), expected);
}

TEST_F(OptionFormRecords, DiscTargetsTakeTheirNormIntoPresetAndName)
{
    const std::string input = UseClip();
    struct TCase {
        const char* format;
        const char* norm;
        int targetType;
        int targetNorm;
        const char* ending;
    };
    for (const TCase& c : {TCase{"VCD", "PAL", 1, 1, "_vcd_pal.mpg"}, TCase{"SVCD", "Auto", 2, 0, "_svcd_auto.mpg"},
                           TCase{"DVD", "NTSC", 3, 2, "_dvd_ntsc.mpg"}}) {
        SCOPED_TRACE(std::string(c.format) + " " + c.norm);
        ASSERT_TRUE(form->SelectNorm(c.norm));
        TOutputOptions expected = RecordFor(input, c.ending);
        expected.TargetType = c.targetType;
        expected.TargetNorm = c.targetNorm;
        expected.DefaultNorm = 1;
        ExpectSameRecord(OutputFor(c.format), expected);
    }
}

TEST_F(OptionFormRecords, FlashFormatsAcceptOnlyTheirSampleRates)
{
    const std::string input = UseClip();
    for (const char* format : {"FLV", "SWF"}) {
        SCOPED_TRACE(format);
        TOutputOptions expected = RecordFor(input, "." + form::LowerCased(format));
        expected.AudioSampleRate = 22050;
        form->Settings.AudioSampleRate = 0;  // Auto
        ExpectSameRecord(OutputFor(format), expected);
        form->Settings.AudioSampleRate = ChoiceIndex(kAudioSampleRates, "8000");
        EXPECT_EQ(OutputFor(format).AudioSampleRate, 22050);
        for (const char* kept : {"11025", "22050", "44100"}) {
            form->Settings.AudioSampleRate = ChoiceIndex(kAudioSampleRates, kept);
            EXPECT_EQ(OutputFor(format).AudioSampleRate, std::stoi(kept));
        }
    }
}

TEST_F(OptionFormRecords, SoundOnlyFormatsLeaveOutTheInputPictures)
{
    const std::string input = UseClip();
    for (const char* format : {"AAC", "AC3", "MP2", "WAV"}) {
        SCOPED_TRACE(format);
        ExpectSameRecord(OutputFor(format), RecordFor(input, "." + form::LowerCased(format)));
        EXPECT_EQ(form->GetInputOptions().ExtOptions, "vn=1");
    }
    // The MP3 muxer would take pictures as cover art: its output leaves video out too.
    TOutputOptions mp3 = RecordFor(input, ".mp3");
    mp3.VideoDisable = 1;
    ExpectSameRecord(OutputFor("MP3"), mp3);
    EXPECT_EQ(form->GetInputOptions().ExtOptions, "vn=1");
    for (const char* format : {"3GP", "MP4", "DVD"}) {
        ASSERT_TRUE(form->SelectOutputFormat(format));
        EXPECT_EQ(form->GetInputOptions().ExtOptions, "") << format;
    }
}

TEST_F(OptionFormRecords, EncoderChoicesGiveCodecNamesThatRulesMayReplace)
{
    const std::string input = UseClip();
    ASSERT_TRUE(form->SelectVideoEncoder("DivX"));
    ASSERT_TRUE(form->SelectAudioEncoder("AC3"));
    TOutputOptions expected = RecordFor(input, ".avi");
    expected.VideoCodec = "mpeg4";
    expected.VideoTag = "DIVX";
    expected.AudioCodec = "ac3";
    ExpectSameRecord(OutputFor("AVI"), expected);

    // The rule replaces the codecs; the tag of the encoder choice stays.
    expected = RecordFor(input, ".wmv");
    expected.VideoCodec = "wmv2";
    expected.VideoTag = "DIVX";
    expected.AudioCodec = "wmav2";
    ExpectSameRecord(OutputFor("WMV"), expected);
}

TEST_F(OptionFormRecords, SoundAndPictureChoicesFillTheirFields)
{
    const std::string input = UseClip();
    form->Settings.AudioChannels = ChoiceIndex(kAudioChannelChoices, "Stereo");
    form->Settings.AudioSampleRate = ChoiceIndex(kAudioSampleRates, "44100");
    form->Settings.AdjustVolume = true;
    form->Settings.AudioVolume = "512";
    ASSERT_TRUE(form->SelectFrameSize("hd720"));
    ASSERT_TRUE(form->SelectFrameRate("25"));
    form->Settings.AspectRatio = ChoiceIndex(kAspectRatios, "16:9");
    form->Settings.SetVideoBitRate = true;
    form->Settings.VideoBitRate = "800";
    form->Settings.SetAudioBitRate = true;
    form->Settings.AudioBitRate = "128";
    form->Settings.CopyTimestamp = true;
    TOutputOptions expected = RecordFor(input, ".mp4");
    expected.AudioChannels = 2;
    expected.AudioSampleRate = 44100;
    expected.AudioVolume = 512;
    expected.FrameSize = "1280x720";
    expected.FrameRate = "25";
    expected.AspectRatio = "16:9";
    expected.VideoBitrate = 800000;
    expected.AudioBitrate = 128000;
    expected.CopyTimestamp = true;
    ExpectSameRecord(OutputFor("MP4"), expected);

    form->Settings.AudioChannels = ChoiceIndex(kAudioChannelChoices, "Mono");
    EXPECT_EQ(OutputFor("MP4").AudioChannels, 1);
}

TEST_F(OptionFormRecords, NumbersThatDoNotParseFallBackAndEdgesRoundToEven)
{
    UseClip();
    form->Settings.AdjustVolume = true;
    form->Settings.AudioVolume = "loud";
    form->Settings.SetVideoBitRate = true;
    form->Settings.VideoBitRate = "fast";
    form->Settings.SetAudioBitRate = true;
    form->Settings.AudioBitRate = "";
    TOutputOptions record = OutputFor("MP4");
    EXPECT_EQ(record.AudioVolume, -1);
    EXPECT_EQ(record.VideoBitrate, 200000);
    EXPECT_EQ(record.AudioBitrate, 64000);

    // A rate whose bits per second would not fit is no number either.
    form->Settings.VideoBitRate = "3000000";
    form->Settings.AudioBitRate = " 96 ";
    form->Settings.AudioVolume = "+300";
    record = OutputFor("MP4");
    EXPECT_EQ(record.VideoBitrate, 200000);
    EXPECT_EQ(record.AudioBitrate, 96000);
    EXPECT_EQ(record.AudioVolume, 300);
    for (const char* notANumber : {"+-5", "1.5", "12k", "99999999999"}) {
        form->Settings.AudioVolume = notANumber;
        EXPECT_EQ(OutputFor("MP4").AudioVolume, -1) << notANumber;
    }

    // Crop and pad edges round toward zero to even numbers, and count only when checked.
    form->Settings.CropEdges = {"7", "x", "-3", "10"};
    form->Settings.PadEdges = {"1", "-1", "5", ""};
    record = OutputFor("MP4");
    EXPECT_EQ(record.CropTop, -1);
    EXPECT_EQ(record.PadTop, -1);
    form->Settings.Crop = true;
    form->Settings.Pad = true;
    record = OutputFor("MP4");
    EXPECT_EQ(std::vector<int>({record.CropTop, record.CropBottom, record.CropLeft, record.CropRight}),
              std::vector<int>({6, 0, -2, 10}));
    EXPECT_EQ(std::vector<int>({record.PadTop, record.PadBottom, record.PadLeft, record.PadRight}),
              std::vector<int>({0, 0, 4, 0}));
}

TEST_F(OptionFormRecords, ChoicesAreFoundByTheirTexts)
{
    EXPECT_TRUE(form->SelectOutputFormat("ipod"));
    EXPECT_EQ(form->Settings.OutputFormat, 6);
    EXPECT_FALSE(form->SelectOutputFormat("webm"));
    EXPECT_EQ(form->Settings.OutputFormat, 6);
    EXPECT_TRUE(form->SelectFrameSize("cif"));
    EXPECT_EQ(form->Settings.FrameSize, 3);
    EXPECT_TRUE(form->SelectFrameSize("HD480"));
    EXPECT_EQ(form->Settings.FrameSize, 26);
    EXPECT_TRUE(form->SelectFrameSize("auto"));
    EXPECT_EQ(form->Settings.FrameSize, 0);
    EXPECT_FALSE(form->SelectFrameSize("1x1"));
    EXPECT_TRUE(form->SelectNorm("ntsc"));
    EXPECT_EQ(form->Settings.Norm, 2);
    EXPECT_FALSE(form->SelectNorm("SECAM"));
    EXPECT_EQ(form->Settings.Norm, 2);
}

TEST_F(OptionFormRecords, RecordsNeedAnInputAndAKnownFormat)
{
    EXPECT_THROW(form->GetOutputOptions(), std::logic_error);
    EXPECT_THROW(form->GetInputOptions(), std::logic_error);
    UseClip();
    form->Settings.OutputFormat = 24;
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
