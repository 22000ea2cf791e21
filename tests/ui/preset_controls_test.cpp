// The option window's presets, driven through its buttons with the questions and file choices
// answered by the test: save, apply, rename, delete, export and import; the built-in presets
// that cannot be overwritten, renamed or deleted; bad names and bad files refused with a
// sentence that says why, and nothing lost.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "form/option_choices.h"
#include "form/presets.h"
#include "ui/option_window.h"
#include "ui/preset_controls.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

namespace fs = std::filesystem;

class PresetControlsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::ofstream(fs::path(programFolder) / "Config.ini") << "[FormConfig]\nlanguage=en\n";
        const char* data = std::getenv("XDG_DATA_HOME");
        if (data != nullptr) m_savedDataHome = data;
        ::setenv("XDG_DATA_HOME", folder.Path("data").c_str(), 1);
        OpenWindow();
        ui::TfrmOption& options = Window().ShowOptionWindow();
        presets = options.findChild<ui::TPresetControls*>("grpPresets");
        ASSERT_NE(presets, nullptr);
        ui::TPresetControls::TDialogs dialogs;
        dialogs.AskName = [this](const QString&, const QString&, const QString& initial) -> std::optional<QString> {
            offered.push_back(initial);
            if (names.empty()) return std::nullopt;
            const QString name = names.front();
            names.pop_front();
            return name;
        };
        dialogs.Confirm = [this](const QString& question) {
            questions.push_back(question);
            return confirm;
        };
        dialogs.ChooseFileToOpen = [this] { return fileToOpen; };
        dialogs.ChooseFileToSave = [this](const QString& suggested) {
            offered.push_back(suggested);
            return fileToSave;
        };
        dialogs.Tell = [this](ui::TPresetControls::TMessageKind kind, const QString& text) { told.push_back({kind, text}); };
        presets->SetDialogs(std::move(dialogs));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        if (m_savedDataHome.empty()) ::unsetenv("XDG_DATA_HOME");
        else ::setenv("XDG_DATA_HOME", m_savedDataHome.c_str(), 1);
    }

    std::string StoreFolder() { return folder.Path("data") + "/mirelk/presets"; }
    QPushButton* Button(const char* name) { return presets->findChild<QPushButton*>(name); }
    void Press(const char* name)
    {
        told.clear();
        questions.clear();
        Button(name)->click();
        QCoreApplication::processEvents();
    }
    // Saves the form's settings of now under a name through "Save As...".
    void SaveAs(const QString& name)
    {
        names = {name};
        Press("btnPresetSave");
    }
    void Pick(const QString& name)
    {
        auto* list = presets->findChild<QComboBox*>("cboPresets");
        const int index = list->findData(name);
        ASSERT_GE(index, 0) << name.toStdString();
        list->setCurrentIndex(index);
    }
    QStringList ListedNames()
    {
        QStringList listed;
        auto* list = presets->findChild<QComboBox*>("cboPresets");
        for (int index = 0; index < list->count(); ++index) listed << list->itemData(index).toString();
        return listed;
    }
    std::string ChosenFormat()
    {
        return std::string(kAllOutputFormats.at(static_cast<std::size_t>(Window().OptionForm().Settings.OutputFormat)));
    }
    // The one message told since the last press, of the kind expected.
    QString Told(ui::TPresetControls::TMessageKind kind)
    {
        EXPECT_EQ(told.size(), 1u);
        if (told.empty()) return {};
        EXPECT_EQ(told.front().first, kind) << told.front().second.toStdString();
        return told.front().second;
    }

    ui::TPresetControls* presets = nullptr;
    std::deque<QString> names;
    std::vector<QString> offered;
    std::vector<QString> questions;
    bool confirm = true;
    QString fileToOpen;
    QString fileToSave;
    std::vector<std::pair<ui::TPresetControls::TMessageKind, QString>> told;

private:
    std::string m_savedDataHome;
};

TEST_F(PresetControlsTest, SavedPresetsApplyRenameExportDeleteAndComeBackByImport)
{
    TOptionFormSettings& settings = Window().OptionForm().Settings;
    const std::string folderBefore = folder.Path("outputs") + "/";
    settings.OutputFolder = folderBefore;
    ASSERT_EQ(ListedNames().mid(0, 5), (QStringList{"Web (WebM)", "Phone (MP4 H.264 720p)", "Archive (MKV AV1)",
                                                    "Music (FLAC)", "Podcast (Opus mono)"}));
    // Built-in presets are applied, never renamed or deleted.
    Pick("Music (FLAC)");
    EXPECT_FALSE(Button("btnPresetRename")->isEnabled());
    EXPECT_FALSE(Button("btnPresetDelete")->isEnabled());
    Press("btnPresetApply");
    EXPECT_EQ(ChosenFormat(), "FLAC");
    EXPECT_TRUE(Window().OptionWindow()->findChild<QRadioButton*>("rdoEncoderSpeed0")->isChecked());

    settings.OutputFormat = ChoiceIndex(kAllOutputFormats, "MP4-HEVC");
    settings.SetVideoQuality = true;
    settings.VideoQuality = "27";
    settings.EncoderSpeed = 2;
    SaveAs("Holiday films");
    EXPECT_TRUE(told.empty()) << told.front().second.toStdString();
    EXPECT_TRUE(fs::exists(StoreFolder() + "/Holiday films.json"));
    EXPECT_EQ(presets->ChosenName(), "Holiday films");
    EXPECT_TRUE(Button("btnPresetRename")->isEnabled());
    EXPECT_TRUE(Button("btnPresetDelete")->isEnabled());

    // Other settings, then the preset back; the output folder stays the main window's.
    settings = TOptionFormSettings{};
    settings.OutputFolder = folderBefore;
    Window().OptionWindow()->ShowSettings();
    Press("btnPresetApply");
    EXPECT_EQ(std::tuple(ChosenFormat(), settings.SetVideoQuality, settings.VideoQuality, settings.EncoderSpeed),
              std::tuple("MP4-HEVC", true, "27", 2));
    EXPECT_EQ(settings.OutputFolder, folderBefore);
    EXPECT_EQ(Window().OptionWindow()->findChild<QLineEdit*>("edtVideoQuality")->text(), "27");

    names = {"Trips"};
    Press("btnPresetRename");
    EXPECT_EQ(offered.back(), "Holiday films");
    EXPECT_TRUE(ListedNames().contains("Trips"));
    EXPECT_FALSE(ListedNames().contains("Holiday films"));
    EXPECT_FALSE(fs::exists(StoreFolder() + "/Holiday films.json"));

    fileToSave = QString::fromStdString(folder.Path("trips export.json"));
    Press("btnPresetExport");
    EXPECT_EQ(offered.back(), "Trips.json");
    EXPECT_TRUE(Told(ui::TPresetControls::mkInformation).contains("written to"));
    EXPECT_EQ(ReadPresetFile(fileToSave.toStdString()).Settings.VideoQuality, "27");

    confirm = false;
    Press("btnPresetDelete");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions.front(), "Delete the preset 'Trips'?");
    EXPECT_TRUE(ListedNames().contains("Trips")) << "kept when the question is answered no";
    confirm = true;
    Press("btnPresetDelete");
    EXPECT_FALSE(ListedNames().contains("Trips"));
    EXPECT_FALSE(fs::exists(StoreFolder() + "/Trips.json"));

    fileToOpen = fileToSave;
    Press("btnPresetImport");
    EXPECT_EQ(Told(ui::TPresetControls::mkInformation), "The preset 'Trips' was imported.");
    EXPECT_EQ(presets->ChosenName(), "Trips");
    settings = TOptionFormSettings{};
    Press("btnPresetApply");
    EXPECT_EQ(ChosenFormat(), "MP4-HEVC");

    // The list is the store's: a new window over the same folder lists the preset.
    OpenWindow();
    presets = Window().ShowOptionWindow().findChild<ui::TPresetControls*>("grpPresets");
    EXPECT_TRUE(ListedNames().contains("Trips"));
}

TEST_F(PresetControlsTest, ANameInUseIsReplacedOnlyWhenTheUserSaysSo)
{
    TOptionFormSettings& settings = Window().OptionForm().Settings;
    settings.OutputFormat = ChoiceIndex(kAllOutputFormats, "Opus");
    SaveAs("Talk");
    settings.OutputFormat = ChoiceIndex(kAllOutputFormats, "FLAC");
    confirm = false;
    SaveAs("Talk");
    EXPECT_EQ(questions, std::vector<QString>{"A preset named 'Talk' exists. Replace it?"});
    EXPECT_EQ(ReadPresetFile(StoreFolder() + "/Talk.json").Settings.OutputFormat, ChoiceIndex(kAllOutputFormats, "Opus"));
    confirm = true;
    SaveAs("Talk");
    EXPECT_EQ(ReadPresetFile(StoreFolder() + "/Talk.json").Settings.OutputFormat, ChoiceIndex(kAllOutputFormats, "FLAC"));
    // The same name in other letters is another preset's name: refused with the store's reason.
    SaveAs("TALK");
    EXPECT_TRUE(Told(ui::TPresetControls::mkError).contains("A preset named 'Talk' exists; choose another name."));
    // A cancelled prompt does nothing.
    names.clear();
    Press("btnPresetSave");
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(FolderNames(StoreFolder()), std::vector<std::string>{"Talk.json"});
}

TEST_F(PresetControlsTest, BadNamesBuiltInNamesAndBadFilesAreRefusedWithTheReasonAndNothingIsLost)
{
    SaveAs("Keep me");
    const std::string kept = FileBytes(StoreFolder() + "/Keep me.json");
    using M = ui::TPresetControls;
    for (const auto& [name, reason] : {
             std::pair{QString("a/b"), QString("A preset name cannot hold a slash: 'a/b'.")},
             {QString("..") , QString("A preset name cannot begin with a dot: '..'.")},
             {QString(300, 'x'), QString("A preset name has at most 100 characters.")},
             {QString("  "), QString("A preset needs a name.")},
             {QString("Web (WebM)"), QString("'Web (WebM)' is a built-in preset and cannot be overwritten.")},
             {QString("music (flac)"), QString("'music (flac)' is a built-in preset and cannot be overwritten.")},
         }) {
        SaveAs(name);
        EXPECT_EQ(Told(M::mkError), "The preset was not saved.\n" + reason) << name.toStdString();
    }
    Pick("Keep me");
    names = {"Music (FLAC)"};
    Press("btnPresetRename");
    EXPECT_EQ(Told(M::mkError), "The preset was not renamed.\n'Music (FLAC)' is a built-in preset and cannot be "
                                "overwritten.");

    // Files that are not presets of this program.
    const auto import = [&](const std::string& name, const std::string& bytes) {
        WriteBytes(folder.Path(name), bytes);
        fileToOpen = QString::fromStdString(folder.Path(name));
        Press("btnPresetImport");
    };
    import("notes.json", "these are my notes, not JSON");
    EXPECT_EQ(Told(M::mkError), "The preset was not imported.\nCannot read the preset file '" + fileToOpen +
                                    "': it is not JSON.");
    import("other.json", R"json({"format": "something else", "version": 1, "settings": {}})json");
    EXPECT_TRUE(Told(M::mkError).endsWith("it is not a Mirelk preset."));
    import("huge.json", std::string(50 << 20, ' '));
    EXPECT_TRUE(Told(M::mkError).endsWith("it holds 50.0 MB, and a preset is at most 1 MB.")) << told.front().second.toStdString();
    import("web.json", R"json({"format": "mirelk-preset", "version": 1, "name": "Web (WebM)", "settings": {}})json");
    EXPECT_TRUE(Told(M::mkError).endsWith("'Web (WebM)' is a built-in preset and cannot be overwritten."));

    // A later version's file: what is known comes in, the rest is named.
    import("later.json", R"json({"format": "mirelk-preset", "version": 2, "name": "From later", "author": "someone",
                             "settings": {"grpFormats": "Opus", "chkSpatialAudio": "1", "grpEncoderSpeed": "Warp"}})json");
    const QString skipped = Told(M::mkWarning);
    EXPECT_TRUE(skipped.startsWith("The preset 'From later' was imported without these entries, which this version "
                                   "does not take:\n"))
        << skipped.toStdString();
    for (const char* entry : {"author", "chkSpatialAudio", "grpEncoderSpeed (Warp)"})
        EXPECT_TRUE(skipped.contains(entry)) << entry << ": " << skipped.toStdString();
    Press("btnPresetApply");
    EXPECT_EQ(ChosenFormat(), "Opus");

    EXPECT_EQ(FileBytes(StoreFolder() + "/Keep me.json"), kept);
    EXPECT_EQ(FolderNames(StoreFolder()), (std::vector<std::string>{"From later.json", "Keep me.json"}));
}

// Qt's own dialogs, as a user meets them: the name prompt, then the box with the reason.
TEST_F(PresetControlsTest, QtsDialogsAskForTheNameAndShowTheReason)
{
    OpenWindow();
    presets = Window().ShowOptionWindow().findChild<ui::TPresetControls*>("grpPresets");
    QString prompt;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        prompt = dialog->labelText();
        dialog->setTextValue("a/b");
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->text();
            box->accept();
        });
        dialog->accept();
    });
    Button("btnPresetSave")->click();
    EXPECT_EQ(prompt, "Name of the preset:");
    EXPECT_EQ(shown, "The preset was not saved.\nA preset name cannot hold a slash: 'a/b'.");
    EXPECT_FALSE(fs::exists(StoreFolder()) && !fs::is_empty(StoreFolder()));
}

}  // namespace

}  // namespace mirelk::test
