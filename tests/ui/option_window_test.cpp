// The option window driven as a user drives it: its settings convert through the menu command,
// the preview follows the slider, a clip marked there is cut, the settings outlive the program,
// Defaults brings back the first start's settings, and the preview window follows a run.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <set>

#include "ui/option_window.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

class OptionWindowTest : public OptionWindowFixture {
protected:
    // The main window has buttons of the same names on its playback panel.
    void Press(const char* name)
    {
        Widget<QPushButton>(name)->click();
        QCoreApplication::processEvents();
    }
    QImage Preview() { return Widget<QLabel>("imgPreview")->pixmap().toImage(); }
    void ConvertFromMenu()
    {
        TriggerMenu("mnuConvert");
        ASSERT_TRUE(WaitForRunEnd(120000)) << LogText().toStdString();
    }
    ui::TfrmMain& OpenWith(const std::vector<std::string>& files)
    {
        ui::TfrmMain& window = OpenWindow();
        SetOutputFolder(folder.Path() + "/");
        AddFiles(files);
        EXPECT_EQ(Rows(), static_cast<int>(files.size())) << LogText().toStdString();
        return window;
    }
};

}  // namespace

// Typed texts reach the engine's option lines and the hook modules: none may break the
// conversion, whatever they hold.
TEST_F(OptionWindowTest, ItsSettingsAndTypedTextsConvertThroughTheMenuCommand)
{
    const std::string source = Clip(folder.Path("源 clip.avi"), 1);
    ui::TfrmMain& window = OpenWith({source});
    TriggerMenu("mnuOptions");
    ASSERT_TRUE(Options().isVisible());
    EXPECT_EQ(Options().windowTitle(), "Output Options");
    EXPECT_EQ(Chosen("grpFormats"), "3GP");
    EXPECT_EQ(Options().ShownFile(), source);
    EXPECT_TRUE(Widget<QPlainTextEdit>("mmoAVFileInfo")->toPlainText().contains("mpeg4"));
    EXPECT_EQ(Widget<QLineEdit>("edtOutPath")->text().toStdString(), folder.Path() + "/");

    Choose("grpFormats", "MP4");
    Tick("chkAudioVolume");
    Type("edtAudioVolume", "512");
    Tick("chkVertFlip");
    Tick("chkNegate");
    Tick("chkZarnHookTxt");
    Type("edtZarnHookTxt", "   it's a \"quoted\" -t text; rm -rf ~  ");
    Tick("chkImlib2Txt");
    Type("edtImlib2Txt", "   ");
    const TOutputOptions record = window.OptionForm().GetOutputOptions();
    EXPECT_EQ(record.AudioVolume, 512);
    EXPECT_EQ(record.VideoFilters, "vflip,negate");
    ConvertFromMenu();
    const std::string written = folder.Path("源 clip_(new).mp4");
    ASSERT_TRUE(std::filesystem::exists(written)) << LogText().toStdString();
    EXPECT_EQ(DecodeErrors(written), "");
    // The edits show the texts as the hooks were given them.
    EXPECT_EQ(Widget<QLineEdit>("edtZarnHookTxt")->text(), "it's a \"quoted\" -t text; rm -rf ~");
    EXPECT_EQ(Widget<QLineEdit>("edtImlib2Txt")->text(), "Qelvan");
}

TEST_F(OptionWindowTest, ThePreviewFollowsTheSliderAndAClipMarkedThereIsCut)
{
    const std::string source = Clip(folder.Path("marked clip.avi"), 4);
    ui::TfrmMain& window = OpenWith({source});
    TriggerMenu("mnuOptions");
    Choose("grpFormats", "AVI");
    auto* slider = Widget<QSlider>("trcPreview");
    auto* cutClip = Widget<QCheckBox>("chkCutClip");
    ASSERT_TRUE(slider->isEnabled());
    EXPECT_FALSE(cutClip->isEnabled());
    const QImage first = Preview();
    ASSERT_FALSE(first.isNull());

    const TOptionForm& form = window.OptionForm();
    slider->setValue(form.PreviewPositionOfTime(1000000));
    QCoreApplication::processEvents();
    EXPECT_NE(Preview(), first) << "the preview did not move with the slider";
    EXPECT_EQ(Widget<QLabel>("lblPTS")->text().toStdString(), form.PTSText());
    Press("btnStartTime");
    slider->setValue(form.PreviewPositionOfTime(3000000));
    Press("btnEndTime");
    EXPECT_FALSE(Widget<QLineEdit>("edtStartTime")->text().isEmpty());
    EXPECT_TRUE(cutClip->isEnabled());
    // The row keeps the clip, and the main window's panel shows it.
    ASSERT_EQ(window.ClipStarts().size(), 1u);
    EXPECT_NEAR(std::stod(window.ClipStarts()[0]), 1.0, 0.25);
    EXPECT_NEAR(std::stod(window.ClipEnds()[0]), 3.0, 0.25);
    cutClip->click();
    QCoreApplication::processEvents();
    ConvertFromMenu();
    const std::string written = folder.Path("marked clip_(new).avi");
    ASSERT_TRUE(std::filesystem::exists(written)) << LogText().toStdString();
    EXPECT_NEAR(ProbeDuration(written), 2.0, 0.35);

    // With "Cut Clip" unchecked the menu command converts the whole file, marks or not.
    ASSERT_TRUE(cutClip->isChecked());
    cutClip->click();
    Tick("chkOverwrite");
    ConvertFromMenu();
    EXPECT_NEAR(ProbeDuration(written), 4.0, 0.35);
}

TEST_F(OptionWindowTest, SettingsAndFolderOutliveTheProgramAndDefaultsBringBackTheFirstStart)
{
    const std::string kept = folder.Path("目录 kept") + "/";
    OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text(), "");
    SetOutputFolder(kept);
    TriggerMenu("mnuOptions");
    Choose("grpFormats", "MOV");
    Choose("grpAudioSampleRate", "22050");
    Tick("chkNegate");
    Type("edtImlib2Txt", "  字幕 \"quoted\" text ");
    Widget<QRadioButton>("rdoPTSs")->click();
    CloseWindow();
    const std::string ini = FileText(programFolder + "/Config.ini");
    EXPECT_NE(ini.find("[FormConfig]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[OutputOptions]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("grpFormats=MOV"), std::string::npos) << ini;

    ui::TfrmMain& window = OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text().toStdString(), kept);
    TriggerMenu("mnuOptions");
    EXPECT_EQ(Chosen("grpFormats"), "MOV");
    EXPECT_EQ(Chosen("grpAudioSampleRate"), "22050");
    EXPECT_TRUE(Widget<QCheckBox>("chkNegate")->isChecked());
    EXPECT_EQ(Widget<QLineEdit>("edtImlib2Txt")->text(), "  字幕 \"quoted\" text ");
    EXPECT_TRUE(Widget<QRadioButton>("rdoPTSs")->isChecked());
    EXPECT_TRUE(Widget<QLineEdit>("edtPTSs")->isEnabled());

    // Defaults brings back everything but the output folder, which is the main window's.
    window.OptionForm().Settings.OutputFolder = kept;
    Press("btnDefaults");
    EXPECT_EQ(Chosen("grpFormats"), "3GP");
    EXPECT_EQ(Chosen("grpAudioSampleRate"), "Auto");
    EXPECT_FALSE(Widget<QCheckBox>("chkNegate")->isChecked());
    EXPECT_EQ(Widget<QLineEdit>("edtImlib2Txt")->text(), "Qelvan");
    EXPECT_TRUE(Widget<QRadioButton>("rdoStandardHook")->isChecked());
    EXPECT_EQ(window.OptionForm().Settings.OutputFolder, kept);
    Window().SaveOptionSettings();
    EXPECT_NE(FileText(programFolder + "/Config.ini").find("grpFormats=3GP"), std::string::npos);

    // A file edited by hand, a section in the other spelling: a value not of its kind keeps the
    // default, the rest is read.
    CloseWindow();
    std::ofstream(programFolder + "/Config.ini") << "[formconfig]\ndir=/tmp/other/\n"
                                                    "[OutputOptions]\ngrpFormats=Betamax\nchkVertFlip=1\n"
                                                    "grpFrameRate=25\n";
    OpenWindow();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text(), "/tmp/other/");
    TriggerMenu("mnuOptions");
    EXPECT_EQ(Chosen("grpFormats"), "3GP");
    EXPECT_TRUE(Widget<QCheckBox>("chkVertFlip")->isChecked());
    EXPECT_EQ(Chosen("grpFrameRate"), "25");
}

TEST_F(OptionWindowTest, SubOptionsOpenOnlyWhileTheirSettingIsInUse)
{
    OpenWindow();
    TriggerMenu("mnuOptions");
    auto* dancing = Widget<QCheckBox>("chkImgDancing");
    EXPECT_FALSE(dancing->isEnabled());
    Tick("chkImlib2Img");
    EXPECT_TRUE(dancing->isEnabled());
    // The custom hook closes every external one, with what refines them.
    Widget<QRadioButton>("rdoCustomHook")->click();
    for (const char* hook : {"chkImlib2Img", "chkImlib2Txt", "chkWaterMark", "chkZarnHookImg", "chkZarnHookTxt"})
        EXPECT_FALSE(Widget<QCheckBox>(hook)->isEnabled()) << hook;
    EXPECT_FALSE(dancing->isEnabled());
    EXPECT_FALSE(Widget<QRadioButton>("rdoBeforeHook")->isEnabled());
    Widget<QRadioButton>("rdoExternalHook")->click();
    EXPECT_TRUE(dancing->isEnabled());
    EXPECT_TRUE(Widget<QCheckBox>("chkImlib2Img")->isChecked());
}

TEST_F(OptionWindowTest, PreviewWindowsFollowARunAndClosingOneLetsItsTaskFinish)
{
    std::ofstream(programFolder + "/Config.ini") << "[Conversion]\nTasksAtOnce=2\n";
    const std::string first = Clip(folder.Path("watched.avi"), 6);
    std::filesystem::copy_file(first, folder.Path("also watched.avi"));
    ui::TfrmMain& window = OpenWith({first, folder.Path("also watched.avi")});
    window.OptionForm().SelectOutputFormat("AVI");
    window.Qelvan().SetProgressInterval(100);
    TriggerMenu("mnuPreview");
    TriggerMenu("mnuConvert");
    std::set<QWidget*> previews;
    std::set<QString> captions;
    PumpUntil(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "frmPreview" && top->isVisible()) previews.insert(top);
            if (!previews.empty()) captions.insert((*previews.begin())->windowTitle());
            return (previews.size() >= 2 && captions.size() >= 3) || !window.Converting();
        },
        60000);
    ASSERT_EQ(previews.size(), 2u) << "one preview window per task";
    EXPECT_GE(captions.size(), 3u) << "the caption did not advance";
    for (QWidget* preview : previews) preview->close();
    ASSERT_TRUE(WaitForRunEnd(120000));
    for (const std::string name : {"watched_(new).avi", "also watched_(new).avi"}) {
        ASSERT_TRUE(std::filesystem::exists(folder.Path(name))) << LogText().toStdString();
        EXPECT_NEAR(ProbeDuration(folder.Path(name)), 6.0, 0.3);
    }
}

}  // namespace mirelk::test
