// The output and input records for the 24 formats, compared field by field with what each
// format's rule and the user's choices fix.
#include <gtest/gtest.h>

#include <stdexcept>

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

TEST_F(OptionFormRecords, FormAtCreationWritesThreeGpWithItsFixedSoundAndSize)
{
    const std::string input = UseClip();
    ASSERT_EQ(kOutputFormats[form->Settings.OutputFormat], "3GP");
    TOutputOptions expected = RecordFor(input, ".3gp");
    expected.AudioChannels = 1;
    expected.AudioSampleRate = 8000;
    expected.AudioBitrate = 7400;
    expected.FrameSize = "128x96";
    ExpectSameRecord(form->GetOutputOptions(), expected);
}

TEST_F(OptionFormRecords, ThreeGpKeepsEncodersAndRateButFixesSizeAndSound)
{
    const std::string input = UseClip();
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

    ASSERT_TRUE(form->SelectVideoEncoder("XviD"));
    ASSERT_TRUE(form->SelectAudioEncoder("MP3"));
    ASSERT_TRUE(form->SelectFrameRate("30"));
    const TOutputOptions second = OutputFor("3GP");
    EXPECT_EQ(second.VideoCodec, "libxvid");
    EXPECT_EQ(second.AudioCodec, "libmp3lame");
    EXPECT_EQ(second.FrameRate, "30");
    EXPECT_EQ(second.FrameSize, "128x96");
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
    for (const TCase& c : {TCase{"VCD", "PAL", 1, 1, "_vcd_pal.mpg"}, TCase{"VCD", "NTSC", 1, 2, "_vcd_ntsc.mpg"},
                           TCase{"SVCD", "Auto", 2, 0, "_svcd_auto.mpg"}, TCase{"SVCD", "PAL", 2, 1, "_svcd_pal.mpg"},
                           TCase{"DVD", "NTSC", 3, 2, "_dvd_ntsc.mpg"}, TCase{"DVD", "Auto", 3, 0, "_dvd_auto.mpg"}}) {
        SCOPED_TRACE(std::string(c.format) + " " + c.norm);
        ASSERT_TRUE(form->SelectNorm(c.norm));
        TOutputOptions expected = RecordFor(input, c.ending);
        expected.TargetType = c.targetType;
        expected.TargetNorm = c.targetNorm;
        expected.DefaultNorm = 1;
        ExpectSameRecord(OutputFor(c.format), expected);
    }
}

TEST_F(OptionFormRecords, ContainerFormatsSetOnlyTheirOwnFields)
{
    const std::string input = UseClip();
    // Formats whose rule sets nothing: the engine takes the container from the ending.
    for (const char* format : {"AVI", "MOV", "MP4", "M1V", "M2V"}) {
        SCOPED_TRACE(format);
        ExpectSameRecord(OutputFor(format), RecordFor(input, "." + form::LowerCased(format)));
    }
    TOutputOptions expected = RecordFor(input, ".mkv");
    expected.VideoCodec = "libx264";
    ExpectSameRecord(OutputFor("MKV"), expected);

    expected = RecordFor(input, ".ogg");
    expected.VideoCodec = "libtheora";
    expected.AudioCodec = "flac";
    ExpectSameRecord(OutputFor("OGG"), expected);

    expected = RecordFor(input, ".wmv");
    expected.VideoCodec = "wmv2";
    expected.AudioCodec = "wmav2";
    ExpectSameRecord(OutputFor("WMV"), expected);

    expected = RecordFor(input, "_rv10.rm");
    expected.VideoCodec = "rv10";
    ExpectSameRecord(OutputFor("RM10"), expected);
    expected = RecordFor(input, "_rv20.rm");
    expected.VideoCodec = "rv20";
    ExpectSameRecord(OutputFor("RM20"), expected);

    expected = RecordFor(input, "_psp.mp4");
    expected.FileFormat = "psp";
    expected.VideoCodec = "mpeg4";
    expected.AudioCodec = "libfaac";
    expected.AudioSampleRate = 24000;
    expected.FrameRate = "15000/1001";
    ExpectSameRecord(OutputFor("PSP"), expected);

    expected = RecordFor(input, "_ipod.mp4");
    expected.VideoCodec = "mpeg4";
    expected.AudioCodec = "libfaac";
    expected.FrameSize = "320x240";
    ExpectSameRecord(OutputFor("iPod"), expected);
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
    TOutputOptions expected = RecordFor(input, ".wma");
    expected.VideoDisable = 1;
    expected.AudioCodec = "wmav2";
    ExpectSameRecord(OutputFor("WMA"), expected);
    EXPECT_EQ(form->GetInputOptions().ExtOptions, "vn=1");

    for (const char* format : {"3GP", "MP4", "WMV", "DVD", "M2V", "iPod"}) {
        ASSERT_TRUE(form->SelectOutputFormat(format));
        EXPECT_EQ(form->GetInputOptions().ExtOptions, "") << format;
    }
}

TEST_F(OptionFormRecords, InputRecordNamesTheProbedFile)
{
    const std::string input = UseClip();
    const TInputOptions record = form->GetInputOptions();
    EXPECT_EQ(record.FileName, input);
    EXPECT_EQ(record.FileFormat, "");
    EXPECT_EQ(record.StartTime, -1);
    EXPECT_EQ(record.ProgramID, -1);
    EXPECT_EQ(record.ExtOptions, "");

    TAVProbe forced;
    ASSERT_TRUE(forced.Open(input, "mov")) << forced.LastErrMsg();
    form->SetProber(&forced);
    EXPECT_EQ(form->GetInputOptions().FileFormat, "mov");
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

    ASSERT_TRUE(form->SelectAudioEncoder("FLAC"));
    EXPECT_EQ(OutputFor("MP4").AudioCodec, "flac");
    ASSERT_TRUE(form->SelectAudioEncoder("Auto"));
    ASSERT_TRUE(form->SelectVideoEncoder("Auto"));
    const TOutputOptions automatic = OutputFor("MP4");
    EXPECT_EQ(automatic.AudioCodec, "");
    EXPECT_EQ(automatic.VideoCodec, "");
    EXPECT_EQ(automatic.VideoTag, "");
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

TEST_F(OptionFormRecords, NumbersThatDoNotParseFallBackToTheirDefaults)
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
    for (const char* notANumber : {"+-5", "1.5", "12k", "0x10", "- 3", "99999999999"}) {
        form->Settings.AudioVolume = notANumber;
        EXPECT_EQ(OutputFor("MP4").AudioVolume, -1) << notANumber;
    }
}

TEST_F(OptionFormRecords, CropAndPadRoundTowardZeroToEvenNumbers)
{
    UseClip();
    form->Settings.CropEdges = {"7", "x", "-3", "10"};
    form->Settings.PadEdges = {"1", "-1", "5", ""};
    TOutputOptions record = OutputFor("MP4");
    EXPECT_EQ(record.CropTop, -1);
    EXPECT_EQ(record.PadTop, -1);

    form->Settings.Crop = true;
    form->Settings.Pad = true;
    record = OutputFor("MP4");
    EXPECT_EQ(record.CropTop, 6);
    EXPECT_EQ(record.CropBottom, 0);
    EXPECT_EQ(record.CropLeft, -2);
    EXPECT_EQ(record.CropRight, 10);
    EXPECT_EQ(record.PadTop, 0);
    EXPECT_EQ(record.PadBottom, 0);
    EXPECT_EQ(record.PadLeft, 4);
    EXPECT_EQ(record.PadRight, 0);
}

TEST_F(OptionFormRecords, ChoicesAreFoundByTheirTexts)
{
    EXPECT_TRUE(form->SelectOutputFormat("ipod"));
    EXPECT_EQ(form->Settings.OutputFormat, 6);
    EXPECT_FALSE(form->SelectOutputFormat("webm"));
    EXPECT_EQ(form->Settings.OutputFormat, 6);
    EXPECT_TRUE(form->SelectFrameSize("cif"));
    EXPECT_EQ(form->Settings.FrameSize, 3);
    EXPECT_TRUE(form->SelectFrameSize("852x480"));
    EXPECT_EQ(form->Settings.FrameSize, 15);
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
