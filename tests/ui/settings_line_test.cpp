// One place decides the output: the line under the pages names every option-window setting a
// Convert takes beyond the page and puts them back on request; overwriting is forgotten at the
// next start unless remembered; each row's output name is the file Convert writes, for every page
// and for the option window's format; an input whose folder cannot be written fails its row.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <set>

#include "ui/option_window.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

constexpr int kOutputColumn = 3;
constexpr int kProgress = 4;

void Tick(QWidget* window, const char* name, bool checked = true)
{
    auto* box = window->findChild<QCheckBox*>(name);
    ASSERT_NE(box, nullptr) << name;
    if (box->isChecked() != checked) box->click();
    QCoreApplication::processEvents();
}

void ChooseFormat(QWidget* options, const QString& format)
{
    for (QRadioButton* button : options->findChild<QGroupBox*>("grpFormats")->findChildren<QRadioButton*>())
        if (button->text() == format) {
            button->click();
            QCoreApplication::processEvents();
            return;
        }
    ADD_FAILURE() << "no format " << format.toStdString();
}

}  // namespace

TEST_F(MainWindowTest, TheSettingsLineNamesWhatTheOptionWindowAddsAndResetPutsItBack)
{
    ui::TfrmMain& window = OpenWindow();
    window.SetLanguage("en");
    QCoreApplication::processEvents();
    auto* line = Child<QLabel>("lblSettings");
    auto* reset = Child<QPushButton>("btnResetSettings");
    EXPECT_EQ(line->text(), "Output Options: only the page's settings apply.");
    EXPECT_FALSE(reset->isEnabled());

    ui::TfrmOption& options = window.ShowOptionWindow();
    Tick(&options, "chkVertFlip");
    Tick(&options, "chkOverwrite");
    EXPECT_EQ(line->text(), QString::fromUtf8("Output Options also applied: Filters: vflip \u00b7 Overwrite existing files"));
    EXPECT_EQ(line->toolTip(), "Filters: vflip\nOverwrite existing files");
    EXPECT_TRUE(reset->isEnabled());
    window.SetLanguage("zh_CN");
    QCoreApplication::processEvents();
    EXPECT_EQ(line->text(), QString::fromUtf8("另行应用的输出选项：滤镜：vflip · 覆盖已有文件"));
    window.SetLanguage("en");
    QCoreApplication::processEvents();

    // The format is the page's (or the menu command's) business, not the line's, and survives
    // the reset.
    ChooseFormat(&options, "MKV");
    const int format = window.OptionForm().Settings.OutputFormat;
    EXPECT_EQ(line->text(), QString::fromUtf8("Output Options also applied: Filters: vflip \u00b7 Overwrite existing files"));
    reset->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(line->text(), "Output Options: only the page's settings apply.");
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_FALSE(options.findChild<QCheckBox*>("chkVertFlip")->isChecked());
    EXPECT_FALSE(options.findChild<QCheckBox*>("chkOverwrite")->isChecked());
    EXPECT_EQ(window.OptionForm().Settings.OutputFormat, format);
}

TEST_F(MainWindowTest, OverwritingIsForgottenAtTheNextStartUnlessRemembered)
{
    ui::TfrmMain& first = OpenWindow();
    first.SetLanguage("en");
    QCoreApplication::processEvents();
    Tick(&first.ShowOptionWindow(), "chkOverwrite");
    EXPECT_TRUE(first.OptionForm().Settings.Overwrite);
    first.SaveOptionSettings();

    ui::TfrmMain& second = OpenWindow();
    EXPECT_FALSE(second.OptionForm().Settings.Overwrite);
    EXPECT_FALSE(Child<QLabel>("lblSettings")->text().contains("Overwrite"));
    ui::TfrmOption& options = second.ShowOptionWindow();
    EXPECT_FALSE(options.findChild<QCheckBox*>("chkOverwrite")->isChecked());
    Tick(&options, "chkOverwrite");
    Tick(&options, "chkRememberOverwrite");
    second.SaveOptionSettings();

    ui::TfrmMain& third = OpenWindow();
    EXPECT_TRUE(third.OptionForm().Settings.Overwrite);
    EXPECT_TRUE(Child<QLabel>("lblSettings")->text().endsWith("Overwrite existing files"));
    CloseWindow();

    // A Config.ini of an earlier version kept the check on its own: it is not taken.
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini")
        << "[FormConfig]\nlanguage=en\n[OutputOptions]\nchkOverwrite=1\nchkVertFlip=1\n";
    ui::TfrmMain& fourth = OpenWindow();
    EXPECT_FALSE(fourth.OptionForm().Settings.Overwrite);
    EXPECT_TRUE(fourth.OptionForm().Settings.VertFlip);
}

TEST_F(MainWindowTest, EachRowNamesTheFileConvertWritesOnEveryPageAndWithTheOptionWindowsFormat)
{
    const std::string out = folder.Path("输出 out") + "/";
    std::filesystem::create_directories(out);
    const std::string clip = Clip(folder.Path("clip.avi"), 1);
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(out);
    auto* pages = Child<QTabWidget>("PageControl1");
    std::set<std::string> written;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(0);
        AddFiles({clip});
        ASSERT_EQ(Rows(), 1);
        // The name follows the page as soon as it is chosen, before Convert.
        pages->setCurrentIndex(page);
        if (page == 4) Child<QComboBox>("WMV_VideoEncoder")->setCurrentIndex(3);
        QCoreApplication::processEvents();
        const std::string shown = window.OutputFile(0);
        EXPECT_EQ(Cell(0, kOutputColumn).toStdString(), std::filesystem::path(shown).filename().string());
        EXPECT_EQ(written.count(shown), 0u) << "a name already written is not given again: " << shown;
        Click("ToolButton7");
        ASSERT_TRUE(WaitForRunEnd());
        EXPECT_EQ(Cell(0, kProgress), "100%") << LogText().toStdString();
        EXPECT_EQ(window.OutputFile(0), shown);
        EXPECT_TRUE(std::filesystem::exists(shown)) << shown;
        EXPECT_FALSE(Probe(shown, "v:0", "stream=codec_name").empty()) << shown;
        written.insert(shown);
        // A finished row keeps the name of the file it wrote whatever the page says now.
        pages->setCurrentIndex((page + 1) % pages->count());
        QCoreApplication::processEvents();
        EXPECT_EQ(window.OutputFile(0), shown);
        Click("ToolButton2");
    }
    EXPECT_EQ(std::filesystem::path(*written.begin()).parent_path().string() + "/", out);

    // The menu command converts with the option window's format, and the row then shows that.
    AddFiles({clip});
    ChooseFormat(&window.ShowOptionWindow(), "MKV");
    TriggerMenu("mnuConvert");
    ASSERT_TRUE(WaitForRunEnd());
    const std::string mkv = window.OutputFile(0);
    EXPECT_EQ(std::filesystem::path(mkv).extension(), ".mkv");
    EXPECT_EQ(Cell(0, kOutputColumn).toStdString(), std::filesystem::path(mkv).filename().string());
    EXPECT_EQ(Probe(mkv, "", "format=format_name"), "matroska,webm");

    // A row added while the option window says MKV is named as the tool bar's page converts it.
    Click("ToolButton2");
    pages->setCurrentIndex(0);
    AddFiles({clip});
    EXPECT_EQ(std::filesystem::path(window.OutputFile(0)).extension(), ".3gp");
}

TEST_F(MainWindowTest, AnInputInAFolderThatCannotBeWrittenFailsItsRowWhenOutputsGoBesideTheInputs)
{
    const std::string locked = folder.Path("locked");
    std::filesystem::create_directories(locked);
    const std::string clip = Clip(locked + "/clip.avi", 1);
    // Root writes in any folder its permissions forbid, but not in an immutable one.
    int status = 0;
    RunCommand("chattr +i " + ShellQuoted(locked) + " 2>/dev/null", &status);
    if (status != 0) {
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        if (RunCommand("touch " + ShellQuoted(locked + "/probe") + " 2>/dev/null && echo written") == "written\n") {
            std::filesystem::remove(locked + "/probe");
            GTEST_SKIP() << "no folder here can be made unwritable";
        }
    }
    struct Unlock {
        std::string path;
        ~Unlock()
        {
            RunCommand("chattr -i " + ShellQuoted(path) + " 2>/dev/null");
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        }
    } unlock{locked};

    ui::TfrmMain& window = OpenWindow();
    window.SetLanguage("en");
    QCoreApplication::processEvents();
    SetOutputFolder("");
    AddFiles({clip});
    ASSERT_EQ(Rows(), 1) << LogText().toStdString();
    EXPECT_EQ(window.StatusText(),
              "Files in the list: 1; the outputs of 1 cannot be written where they go, as their rows say.");
    EXPECT_EQ(Cell(0, kProgress), "Failed");
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgress), "Failed");
    EXPECT_TRUE(ToolTip(0, kProgress).contains("locked")) << ToolTip(0, kProgress).toStdString();
    EXPECT_TRUE(window.StatusText().startsWith("Done: 0 finished, 1 failed, 0 stopped.")) << window.StatusText().toStdString();
    EXPECT_EQ(FolderNames(locked), std::vector<std::string>{"clip.avi"});
}

}  // namespace mirelk::test
