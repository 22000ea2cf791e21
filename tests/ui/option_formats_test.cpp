// The option window's choice of today's targets and its quality page, driven as a user drives
// them: the formats after the classic 24 are chosen in the same index space, the quality and
// speed settings reach the form and outlive the program, and the note under the pages says what
// the chosen format makes of them.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <filesystem>
#include <fstream>

#include "form/option_choices.h"
#include "ui/option_window.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

class OptionFormatsTest : public OptionWindowFixture {
protected:
    std::string ChosenFormat()
    {
        return std::string(kAllOutputFormats.at(static_cast<std::size_t>(Window().OptionForm().Settings.OutputFormat)));
    }
    QString Note()
    {
        auto* note = Widget<QLabel>("lblSettingsNote");
        return note->isVisibleTo(&Options()) ? note->text() : QString();
    }
};

TEST_F(OptionFormatsTest, TodaysFormatsAreChosenBesideTheClassicOnesAndShownAsTheFormHasThem)
{
    OpenWindow();
    Choose("grpModernFormats", "MKV-AV1");
    EXPECT_EQ(Window().OptionForm().Settings.OutputFormat, 26);
    EXPECT_EQ(Chosen("grpFormats"), "");
    Choose("grpFormats", "MP4");
    EXPECT_EQ(ChosenFormat(), "MP4");
    EXPECT_EQ(Chosen("grpModernFormats"), "");
    // Every one of the nine, and the settings file keeps it.
    for (const std::string_view format : kModernOutputFormats) {
        Choose("grpModernFormats", QString::fromUtf8(format.data(), static_cast<int>(format.size())));
        EXPECT_EQ(ChosenFormat(), format);
    }
    Window().OptionForm().Settings.OutputFormat = 30;
    Options().ShowSettings();
    EXPECT_EQ(Chosen("grpModernFormats"), "M4A-ALAC");
    EXPECT_EQ(Chosen("grpFormats"), "");
    Window().SaveOptionSettings();
    EXPECT_NE(FileText(programFolder + "/Config.ini").find("grpFormats=M4A-ALAC"), std::string::npos);
    OpenWindow();
    EXPECT_EQ(ChosenFormat(), "M4A-ALAC");
    EXPECT_EQ(Chosen("grpModernFormats"), "M4A-ALAC");
}

TEST_F(OptionFormatsTest, QualityAndSpeedRoundTripThroughTheFormAndTheSettingsFile)
{
    OpenWindow();
    Choose("grpModernFormats", "MP4-HEVC");
    SetChecked("chkVideoQuality", true);
    Type("edtVideoQuality", "30");
    SetChecked("chkAudioQuality", true);
    Type("edtAudioQuality", "80");
    Widget<QRadioButton>("rdoEncoderSpeed4")->click();
    const TOptionFormSettings& s = Window().OptionForm().Settings;
    EXPECT_EQ(std::tuple(s.SetVideoQuality, s.VideoQuality, s.SetAudioQuality, s.AudioQuality, s.EncoderSpeed),
              std::tuple(true, "30", true, "80", 4));
    EXPECT_EQ(Widget<QRadioButton>("rdoEncoderSpeed4")->text(), "Slow");
    EXPECT_EQ(Note(), "");

    Window().SaveOptionSettings();
    const std::string config = FileText(programFolder + "/Config.ini");
    for (const char* entry : {"chkVideoQuality=1", "edtVideoQuality=30", "chkAudioQuality=1", "edtAudioQuality=80",
                              "grpEncoderSpeed=Slow"})
        EXPECT_NE(config.find(entry), std::string::npos) << entry << "\n" << config;
    OpenWindow();
    EXPECT_TRUE(Widget<QCheckBox>("chkVideoQuality")->isChecked());
    EXPECT_EQ(Widget<QLineEdit>("edtVideoQuality")->text(), "30");
    EXPECT_TRUE(Widget<QCheckBox>("chkAudioQuality")->isChecked());
    EXPECT_EQ(Widget<QLineEdit>("edtAudioQuality")->text(), "80");
    EXPECT_TRUE(Widget<QRadioButton>("rdoEncoderSpeed4")->isChecked());

    // A form changed elsewhere shows in the widgets.
    Window().OptionForm().Settings.VideoQuality = "22";
    Window().OptionForm().Settings.EncoderSpeed = 1;
    Options().ShowSettings();
    EXPECT_EQ(Widget<QLineEdit>("edtVideoQuality")->text(), "22");
    EXPECT_TRUE(Widget<QRadioButton>("rdoEncoderSpeed1")->isChecked());
}

TEST_F(OptionFormatsTest, TheNoteTellsWhatTheFormatMakesOfTheSettingsAndABadValueIsNeverFatal)
{
    const std::string tiny = MakeMedia(folder.Path("tiny.mkv"), "-f lavfi -i color=c=red:s=32x32:r=5:d=1 -c:v ffv1");
    const std::string clip = Clip(folder.Path("clip.avi"), 1);
    OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    AddFiles({clip, tiny});
    Choose("grpModernFormats", "MKV-AV1");
    SetChecked("chkVideoQuality", true);
    for (const QString& bad : {QString("99"), QString("good"), QString("-1"), QString("1e9"), QString(300, '9')}) {
        Type("edtVideoQuality", bad);
        EXPECT_TRUE(Note().contains("The video quality of libsvtav1 is a whole number from 1 (best) to 63"))
            << bad.toStdString() << ": " << Note().toStdString();
    }
    Type("edtVideoQuality", "40");
    EXPECT_EQ(Note(), "");

    // An encoder without a scale, and the animated picture's length.
    Choose("grpModernFormats", "GIF");
    EXPECT_TRUE(Note().contains("The video encoder gif has no quality setting.")) << Note().toStdString();
    EXPECT_TRUE(Note().contains("at most 60 seconds")) << Note().toStdString();
    SetChecked("chkVideoQuality", false);
    EXPECT_FALSE(Note().contains("quality")) << Note().toStdString();

    // A picture too small for AV1, for the file shown.
    Choose("grpModernFormats", "MP4-AV1");
    EXPECT_EQ(Note(), "");
    SelectRow(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Note().contains("at least 64x64 pixels, not 32x32")) << Note().toStdString();
    Choose("grpModernFormats", "WebM");
    EXPECT_EQ(Note(), "");

    // Converting with a value the note refused takes the encoder's default.
    Window().RemoveRow(1);
    SelectRow(0);
    Choose("grpModernFormats", "M4A");
    SetChecked("chkAudioQuality", true);
    Type("edtAudioQuality", "not a number");
    EXPECT_TRUE(Note().contains("kbit/s per channel from 16 to 256")) << Note().toStdString();
    Window().ConvertFromMenu();
    WaitUntilIdle();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Probe(folder.Path("clip_(new).m4a"), "a:0", "stream=codec_name"), "aac");
    EXPECT_EQ(Probe(folder.Path("clip_(new).m4a"), "v", "stream=codec_name"), "");
}

}  // namespace

}  // namespace mirelk::test
