// The preview slider's steps, the clip marked on it, the times shown, and the preview picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <tuple>

#include "form/preview_picture.h"
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

TEST(OptionFormPreviewSlider, StepsLinesAndPagesFollowTheFileLength)
{
    TPreviewSlider slider;
    slider.Configure(200000000, true);  // 200 s
    EXPECT_EQ(slider.PreviewStep(), 10000);
    EXPECT_EQ(slider.StepCount(), 20000);
    EXPECT_EQ(slider.Max(), 20000);
    EXPECT_EQ(slider.TickFrequency(), 1000);  // 20000 / ((220 - 12) / 10)
    EXPECT_TRUE(slider.ThumbVisible());

    slider.Configure(327670, true);
    EXPECT_EQ(slider.PreviewStep(), 10);
    EXPECT_EQ(slider.StepCount(), 32767);
    slider.Configure(327680, true);
    EXPECT_EQ(slider.PreviewStep(), 100);
    EXPECT_EQ(slider.StepCount(), 3276);
    // Even the shortest file is stepped by 10 microseconds at least.
    slider.Configure(5, true);
    EXPECT_EQ(slider.PreviewStep(), 10);
    EXPECT_EQ(slider.StepCount(), 0);
    EXPECT_EQ(slider.Max(), 0);

    // Line and page sizes grow with the step count.
    struct TCase {
        std::int64_t steps;
        int lineSize;
    };
    for (const TCase& c : {TCase{10001, 1000}, TCase{10000, 100}, TCase{1000, 10}, TCase{100, 1}}) {
        slider.Configure(c.steps * 10, true);
        ASSERT_EQ(slider.StepCount(), c.steps);
        EXPECT_EQ(slider.LineSize(), c.lineSize) << c.steps;
        EXPECT_EQ(slider.PageSize(), 5 * c.lineSize) << c.steps;
    }
}

TEST(OptionFormPreviewSlider, UnknownDurationStillPicturesAndNarrowSliders)
{
    TPreviewSlider slider;
    slider.Configure(-1, true);
    EXPECT_EQ(slider.PreviewStep(), 10);
    EXPECT_EQ(slider.Max(), 0);

    slider.Configure(200000000, false);
    EXPECT_FALSE(slider.ThumbVisible());
    EXPECT_EQ(slider.Min(), 0);
    EXPECT_EQ(slider.Max(), 0);
    EXPECT_FALSE(slider.SetPosition(10));

    slider.SetWidth(5);
    slider.Configure(200000000, true);
    EXPECT_EQ(slider.TickFrequency(), 20000);
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
    EXPECT_EQ(slider.PositionOfTime(10000000), 1000);
    EXPECT_EQ(slider.PositionOfTime(10004999), 1000);
    EXPECT_EQ(slider.PositionOfTime(10005000), 1001);
    EXPECT_EQ(slider.PositionOfTime(-1), 0);
    EXPECT_EQ(slider.PositionOfTime(900000000), 20000);
}

TEST(OptionFormClipRange, StartAndEndAreKeptInsideTheFile)
{
    // 200 s, steps of 10 ms.
    constexpr std::int64_t kStep = 10000;
    constexpr std::int64_t kDuration = 200000000;
    TClipRange range = ClipRange(1000, 2000, kStep, kDuration);
    EXPECT_EQ(range.StartMs, 10000);
    EXPECT_EQ(range.EndMs, 20000);
    // End beyond the file: the file's end.
    range = ClipRange(1000, 30000, kStep, kDuration);
    EXPECT_EQ(range.StartMs, 10000);
    EXPECT_EQ(range.EndMs, 200000);
    // End at the start or before it: the file's end.
    range = ClipRange(1000, 1000, kStep, kDuration);
    EXPECT_EQ(range.EndMs, 200000);
    // Start outside the file: from the beginning, keeping an end inside it.
    range = ClipRange(20000, 15000, kStep, kDuration);
    EXPECT_EQ(range.StartMs, 0);
    EXPECT_EQ(range.EndMs, 150000);
    range = ClipRange(20000, 0, kStep, kDuration);
    EXPECT_EQ(range.StartMs, 0);
    EXPECT_EQ(range.EndMs, 200000);
}

class OptionFormPreviewAndClip : public OptionFormTest {
protected:
    // Moves the preview to the time (microseconds) and marks it with the action.
    void MarkAt(std::int64_t microseconds, void (TOptionForm::*mark)())
    {
        form->SetPreviewPosition(form->PreviewPositionOfTime(microseconds));
        (form.get()->*mark)();
    }
};

TEST_F(OptionFormPreviewAndClip, SettingTheProberResetsSliderAndClip)
{
    EXPECT_EQ(form->StartTimeText(), "0");
    EXPECT_EQ(form->EndTimeText(), "0");
    UseClip();
    const std::int64_t duration = probe.GetFileInfo().Duration;
    ASSERT_GT(duration, 1900000);
    ASSERT_LT(duration, 3276800);
    EXPECT_TRUE(form->PreviewSlider().ThumbVisible());
    EXPECT_EQ(form->PreviewStep(), 100);
    EXPECT_EQ(form->PreviewSlider().Max(), duration / 100);
    EXPECT_EQ(form->PreviewSlider().LineSize(), 1000);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_FALSE(form->Settings.CutClip);
    EXPECT_EQ(form->StartTimeText(), "N/A");
    EXPECT_EQ(form->EndTimeText(), "N/A");
    EXPECT_EQ(form->PTSText(), "PTS: 0.000");
    EXPECT_EQ(form->FileInfoText(), probe.GetInfoText());

    form->Settings.CutClip = true;
    MarkAt(500000, &TOptionForm::SetStart);
    MarkAt(1500000, &TOptionForm::SetEnd);
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
    EXPECT_TRUE(form->Settings.CutClip);
    EXPECT_TRUE(form->ClipWanted());
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, 1000);
    EXPECT_EQ(form->GetInputOptions().StartTime, 500);

    // Unchecked, or checked but disabled: the whole file.
    form->Settings.CutClip = false;
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, -1);
    EXPECT_EQ(form->GetInputOptions().StartTime, -1);
    form->Settings.CutClip = true;
    form->Settings.CutClipEnabled = false;
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, -1);
    EXPECT_EQ(form->GetInputOptions().StartTime, -1);
}

TEST_F(OptionFormPreviewAndClip, ClipMarkedByTimesInOneCall)
{
    UseClip();
    form->MarkClip(250000, 1750000);
    EXPECT_TRUE(form->Settings.CutClip);
    EXPECT_TRUE(form->Settings.CutClipEnabled);
    EXPECT_EQ(form->StartTimeText(), "0.250");
    EXPECT_EQ(form->EndTimeText(), "1.750");
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, 1500);
    EXPECT_EQ(form->GetInputOptions().StartTime, 250);
    form->MarkClip(1750000, 250000);
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, -1);
}

TEST_F(OptionFormPreviewAndClip, ClipToTheSlidersEndRunsToTheFilesEnd)
{
    UseClip();
    const std::int64_t durationMs = probe.GetFileInfo().Duration / 1000;
    form->Settings.CutClip = true;
    MarkAt(1000000, &TOptionForm::SetStart);
    form->SetPreviewPosition(form->PreviewSlider().Max());
    form->SetEnd();
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, durationMs - 1000);
    EXPECT_EQ(form->GetInputOptions().StartTime, 1000);
}

TEST_F(OptionFormPreviewAndClip, StartAfterEndOrEndBeforeStartDisablesTheClip)
{
    UseClip();
    form->Settings.CutClip = true;
    MarkAt(1500000, &TOptionForm::SetEnd);
    EXPECT_TRUE(form->Settings.CutClipEnabled);
    MarkAt(1800000, &TOptionForm::SetStart);  // start after the end
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    EXPECT_TRUE(form->Settings.CutClip) << "the check mark is left alone";
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, -1);
    EXPECT_EQ(form->GetInputOptions().StartTime, -1);

    MarkAt(1800000, &TOptionForm::SetEnd);  // end at the start
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    MarkAt(1000000, &TOptionForm::SetEnd);  // end before the start
    EXPECT_FALSE(form->Settings.CutClipEnabled);
    MarkAt(1900000, &TOptionForm::SetEnd);
    EXPECT_TRUE(form->Settings.CutClipEnabled);
    EXPECT_EQ(form->GetOutputOptions().RecordingTime, 100);
    EXPECT_EQ(form->GetInputOptions().StartTime, 1800);

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
    EXPECT_EQ(pixel(100, 10), std::make_tuple(166, 202, 240));
    EXPECT_EQ(pixel(100, 30), std::make_tuple(166, 202, 240));
    EXPECT_EQ(pixel(100, 114), std::make_tuple(166, 202, 240));
    const auto [red, green, blue] = pixel(100, 72);
    EXPECT_GT(red, 230);
    EXPECT_LT(green, 25);
    EXPECT_LT(blue, 25);
    const auto [edgeRed, edgeGreen, edgeBlue] = pixel(0, 31);
    EXPECT_GT(edgeRed, 230);
    EXPECT_LT(edgeGreen + edgeBlue, 50);

    form->SetPreviewPosition(form->PreviewPositionOfTime(1234000));
    EXPECT_EQ(form->PTSText(), "PTS: 1.234");
}

TEST(OptionFormPreviewPicture, FittedRectKeepsTheAspect)
{
    EXPECT_EQ(form::FittedRect(320, 240, 220, 145).Left, 13);
    EXPECT_EQ(form::FittedRect(320, 240, 220, 145).Right, 207);
    EXPECT_EQ(form::FittedRect(320, 240, 220, 145).Top, 0);
    EXPECT_EQ(form::FittedRect(320, 240, 220, 145).Bottom, 145);
    const form::TPictureRect wide = form::FittedRect(1920, 1080, 220, 145);
    EXPECT_EQ(wide.Left, 0);
    EXPECT_EQ(wide.Right, 220);
    EXPECT_EQ(wide.Top, 11);
    EXPECT_EQ(wide.Bottom, 134);
    // Small frames are scaled up likewise.
    const form::TPictureRect small = form::FittedRect(44, 29, 220, 145);
    EXPECT_EQ(small.Width(), 220);
    EXPECT_EQ(small.Height(), 145);
    EXPECT_EQ(form::FittedRect(0, 0, 220, 145).Width(), 0);
}

TEST_F(OptionFormPreviewAndClip, SoundOnlyFilesShowNoPictureButTheTime)
{
    const std::string path = MakeMedia(folder.Path("tone.wav"), "-f lavfi -i sine=d=3");
    ASSERT_FALSE(path.empty());
    UseInput(path);
    EXPECT_TRUE(form->FullSizeFrame().Empty());
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

}  // namespace
