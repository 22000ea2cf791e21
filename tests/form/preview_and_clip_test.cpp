// The preview slider's steps, the clip marked on it, the times shown, and the preview picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "form/time_text.h"
#include "form_fixture.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

TEST(OptionFormTimeText, SecondsPointMilliseconds)
{
    EXPECT_EQ(TimeText(999), "0.000");
    EXPECT_EQ(TimeText(12045999), "12.045");
    EXPECT_EQ(TimeText(5000000000000LL), "5000000.000");
}

TEST(OptionFormPreviewSlider, StepsLinesAndTicksFollowTheFileLength)
{
    TPreviewSlider slider;
    // The step grows tenfold where the steps would pass 32767; even the shortest file or one of
    // unknown length is stepped by 10 microseconds. Line sizes grow with the step count.
    for (const auto& [duration, step, steps, line] :
         {std::tuple{200000000LL, 10000, 20000, 1000}, {327670LL, 10, 32767, 1000}, {327680LL, 100, 3276, 100},
          {100010LL, 10, 10001, 1000}, {100000LL, 10, 10000, 100}, {10000LL, 10, 1000, 10}, {1000LL, 10, 100, 1},
          {5LL, 10, 0, 1}, {-1LL, 10, 0, 1}}) {
        slider.Configure(duration, true);
        EXPECT_EQ(slider.PreviewStep(), step) << duration;
        EXPECT_EQ(slider.Max(), steps) << duration;
        EXPECT_EQ(slider.LineSize(), line) << duration;
        EXPECT_EQ(slider.PageSize(), 5 * line) << duration;
    }
    EXPECT_EQ(slider.TickFrequency(), 1);
    slider.Configure(200000000, true);
    EXPECT_EQ(slider.TickFrequency(), 1000);  // 20000 / ((220 - 12) / 10)
    slider.SetWidth(5);
    slider.Configure(200000000, true);
    EXPECT_EQ(slider.TickFrequency(), 20000);
    // A still picture: no thumb, one position.
    slider.Configure(200000000, false);
    EXPECT_FALSE(slider.ThumbVisible());
    EXPECT_EQ(slider.Max(), 0);
    EXPECT_FALSE(slider.SetPosition(10));
}

TEST(OptionFormPreviewSlider, PositionsStayInRangeAndTimesMapToNearestSteps)
{
    TPreviewSlider slider;
    slider.Configure(200000000, true);
    EXPECT_TRUE(slider.SetPosition(300));
    EXPECT_FALSE(slider.SetPosition(300));
    EXPECT_TRUE(slider.SetPosition(25000));
    EXPECT_EQ(slider.Position(), 20000);
    EXPECT_TRUE(slider.SetPosition(-3));
    EXPECT_EQ(slider.Position(), 0);
    EXPECT_EQ(slider.TimeOfPosition(1234), 12340000);
    EXPECT_EQ(slider.PositionOfTime(10004999), 1000);
    EXPECT_EQ(slider.PositionOfTime(10005000), 1001);
    EXPECT_EQ(slider.PositionOfTime(-1), 0);
    EXPECT_EQ(slider.PositionOfTime(900000000), 20000);
}

TEST(OptionFormClipRange, StartAndEndAreKeptInsideTheFile)
{
    // A 200 s file in steps of 10 ms: selection, then the clip in milliseconds.
    struct TCase {
        int selStart, selEnd;
        std::int64_t startMs, endMs;
    };
    for (const TCase& c : {TCase{1000, 2000, 10000, 20000},
                           TCase{1000, 30000, 10000, 200000},  // end beyond the file: the file's end
                           TCase{1000, 1000, 10000, 200000},   // end at the start: the file's end
                           TCase{20000, 15000, 0, 150000},     // start outside: from the beginning
                           TCase{20000, 0, 0, 200000}}) {
        const TClipRange range = ClipRange(c.selStart, c.selEnd, 10000, 200000000);
        EXPECT_EQ(range.StartMs, c.startMs) << c.selStart << ".." << c.selEnd;
        EXPECT_EQ(range.EndMs, c.endMs) << c.selStart << ".." << c.selEnd;
    }
}

class OptionFormPreviewAndClip : public OptionFormTest {
protected:
    // Moves the preview to the time (microseconds) and marks it with the action.
    void MarkAt(std::int64_t microseconds, void (TOptionForm::*mark)())
    {
        form->SetPreviewPosition(form->PreviewPositionOfTime(microseconds));
        (form.get()->*mark)();
    }
    void ExpectClip(int startMs, int lengthMs)
    {
        EXPECT_EQ(form->GetInputOptions().StartTime, startMs);
        EXPECT_EQ(form->GetOutputOptions().RecordingTime, lengthMs);
    }
};

TEST_F(OptionFormPreviewAndClip, SettingTheProberResetsSliderAndClip)
{
    EXPECT_EQ(form->StartTimeText(), "0");
    UseClip();
    const std::int64_t duration = probe.GetFileInfo().Duration;
    ASSERT_GT(duration, 1900000);
    EXPECT_TRUE(form->PreviewSlider().ThumbVisible());
    EXPECT_EQ(form->PreviewStep(), 100);
    EXPECT_EQ(form->PreviewSlider().Max(), duration / 100);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_EQ(form->StartTimeText(), "N/A");
    EXPECT_EQ(form->EndTimeText(), "N/A");
    EXPECT_EQ(form->PTSText(), "PTS: 0.000");
    EXPECT_EQ(form->FileInfoText(), probe.GetInfoText());

    form->MarkClip(500000, 1500000);
    EXPECT_TRUE(form->Settings.CutClipEnabled);
    form->SetProber(&probe);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_FALSE(form->Settings.CutClip);
    EXPECT_EQ(form->PreviewSlider().SelStart(), 0);
    EXPECT_EQ(form->PreviewSlider().SelEnd(), 0);
    EXPECT_EQ(form->PreviewSlider().Position(), 0);
}

TEST_F(OptionFormPreviewAndClip, MarkedClipGoesIntoBothRecords)
{
    UseClip();
    form->Settings.CutClip = true;
    MarkAt(500000, &TOptionForm::SetStart);
    EXPECT_EQ(form->StartTimeText(), "0.500");
    EXPECT_FALSE(form->Settings.CutClipEnabled) << "no end yet";
    MarkAt(1500000, &TOptionForm::SetEnd);
    EXPECT_EQ(form->EndTimeText(), "1.500");
    EXPECT_TRUE(form->Settings.CutClipEnabled);
    EXPECT_TRUE(form->ClipWanted());
    ExpectClip(500, 1000);

    // Unchecked, or checked but disabled: the whole file.
    form->Settings.CutClip = false;
    ExpectClip(-1, -1);
    form->Settings.CutClip = true;
    form->Settings.CutClipEnabled = false;
    ExpectClip(-1, -1);

    // Marked by times in one call; the other way round it marks nothing.
    form->MarkClip(250000, 1750000);
    EXPECT_EQ(form->StartTimeText(), "0.250");
    ExpectClip(250, 1500);
    form->MarkClip(1750000, 250000);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    ExpectClip(-1, -1);

    // A clip to the slider's end runs to the file's end, beyond the last whole step.
    MarkAt(1000000, &TOptionForm::SetStart);
    form->SetPreviewPosition(form->PreviewSlider().Max());
    form->SetEnd();
    ExpectClip(1000, static_cast<int>(probe.GetFileInfo().Duration / 1000) - 1000);

    // A start after the end, or an end at the start, disables the clip but leaves its check mark.
    MarkAt(1500000, &TOptionForm::SetEnd);
    MarkAt(1800000, &TOptionForm::SetStart);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_TRUE(form->Settings.CutClip);
    ExpectClip(-1, -1);
    MarkAt(1800000, &TOptionForm::SetEnd);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    MarkAt(1900000, &TOptionForm::SetEnd);
    ExpectClip(1800, 100);
    // An end at the very beginning marks nothing, whatever the start.
    MarkAt(0, &TOptionForm::SetStart);
    MarkAt(0, &TOptionForm::SetEnd);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
}

TEST_F(OptionFormPreviewAndClip, PreviewShowsThePictureFittedOnTheBackground)
{
    const std::string path = MakeMedia(folder.Path("wide.mp4"),
                                       "-f lavfi -i color=c=red:s=320x120:r=25:d=2 -c:v mpeg4 -pix_fmt yuv420p");
    ASSERT_FALSE(path.empty());
    UseInput(path);
    const TBitmap24& preview = form->PreviewImage();
    ASSERT_EQ(preview.Width(), TOptionForm::kPreviewWidth);
    ASSERT_EQ(preview.Height(), TOptionForm::kPreviewHeight);
    EXPECT_EQ(form->FullSizeFrame().Width(), 320);
    EXPECT_EQ(form->FullSizeFrame().Height(), 120);
    // 320 x 120 on 220 x 145: the width decides, the height 82.5 leaves 31 rows above and below.
    const auto pixel = [&preview](int x, int y) {
        const std::uint8_t* p = preview.ScanLine(y) + 3 * x;
        return std::make_tuple(int(p[2]), int(p[1]), int(p[0]));
    };
    for (int y : {10, 30, 114}) EXPECT_EQ(pixel(100, y), std::make_tuple(166, 202, 240)) << y;
    for (const auto& [x, y] : {std::pair{100, 72}, {0, 31}}) {
        const auto [red, green, blue] = pixel(x, y);
        EXPECT_GT(red, 230);
        EXPECT_LT(green + blue, 50);
    }
    form->SetPreviewPosition(form->PreviewPositionOfTime(1234000));
    EXPECT_EQ(form->PTSText(), "PTS: 1.234");
}

TEST_F(OptionFormPreviewAndClip, SoundOnlyFilesShowNoPictureButTheTime)
{
    const std::string path = MakeMedia(folder.Path("tone.wav"), "-f lavfi -i sine=d=3");
    ASSERT_FALSE(path.empty());
    UseInput(path);
    EXPECT_EQ(form->PreviewSlider().Max(), probe.GetFileInfo().Duration / form->PreviewStep());
    form->SetPreviewPosition(form->PreviewPositionOfTime(2000000));
    EXPECT_EQ(form->PTSText(), "PTS: 2.000");
    EXPECT_TRUE(form->FullSizeFrame().Empty());
}

TEST_F(OptionFormPreviewAndClip, StillPicturesHaveASinglePosition)
{
    const std::string path = MakeMedia(folder.Path("still.png"), "-f lavfi -i color=c=blue:s=64x48 -frames:v 1");
    ASSERT_FALSE(path.empty());
    // Read as a picture sequence or as a single picture, it is one still picture either way.
    for (const char* format : {"image2", ""}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(probe.Open(path, format)) << probe.LastErrMsg();
        form->SetProber(&probe);
        EXPECT_FALSE(form->PreviewSlider().ThumbVisible());
        EXPECT_EQ(form->PreviewSlider().Max(), 0);
        EXPECT_EQ(form->FullSizeFrame().Width(), 64);
        form->Settings.CutClip = true;
        form->SetStart();
        form->SetEnd();
        EXPECT_FALSE(form->Settings.CutClipEnabled);
        EXPECT_EQ(form->GetOutputOptions().RecordingTime, -1);
    }
}

// Rows of a long list need their records, not their pictures: with pictures off nothing is
// decoded, and the clip and the records are the same as with them on.
TEST_F(OptionFormPreviewAndClip, WithoutPreviewPicturesTheRecordsAndTheClipAreTheSame)
{
    UseClip();
    form->MarkClip(500000, 1500000);
    ASSERT_GT(form->FullSizeFrame().Width(), 0) << "a picture is decoded with pictures on";
    const TOutputOptions withPictures = form->GetOutputOptions();

    form->SetPreviewPictures(false);
    form->SetProber(&probe);
    form->MarkClip(500000, 1500000);
    EXPECT_EQ(form->FullSizeFrame().Width(), 0);
    EXPECT_EQ(form->StartTimeText(), "0.500");
    EXPECT_EQ(form->EndTimeText(), "1.500");
    EXPECT_EQ(form->PTSText(), "PTS: 1.500");
    const TOutputOptions without = form->GetOutputOptions();
    EXPECT_EQ(without.RecordingTime, withPictures.RecordingTime);
    EXPECT_EQ(without.ExtOptions, withPictures.ExtOptions);

    form->SetPreviewPictures(true);
    form->SetPreviewPosition(form->PreviewPositionOfTime(1000000));
    EXPECT_GT(form->FullSizeFrame().Width(), 0);
}

}  // namespace
