// The windows in both languages: every text a user sees comes from the translation files, no
// English is left in the Chinese windows and no Chinese in the English ones (file names aside),
// the switch acts at once and is kept across a restart; and the window itself: resizable from
// its first size, the list growing with it, its column widths kept, Ctrl+Q and F1.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <set>

#include "ui/language.h"
#include "ui/option_window.h"
#include "ui_test_support.h"

namespace mirelk::test {

namespace {

// The translations of a .ts file.
std::set<QString> Translations(const QString& language)
{
    QFile file(QString(MIRELK_TRANSLATIONS_DIR) + "/mirelk_" + language + ".ts");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    std::set<QString> texts;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("translation"))
            texts.insert(xml.readElementText());
    return texts;
}

// Every text a user sees in a window: captions, titles, tabs, column heads, menus, tool tips
// and placeholders, each with where it was found. The lists' items are the formats' and codecs'
// own names in both languages and are left out, as are the status bar and the log.
std::vector<std::pair<QString, QString>> VisibleTexts(QWidget* window)
{
    std::vector<std::pair<QString, QString>> texts;
    const auto add = [&](const QObject* where, const QString& text) {
        if (!text.isEmpty()) texts.emplace_back(where->objectName(), text);
    };
    add(window, window->windowTitle());
    for (QObject* object : window->findChildren<QObject*>()) {
        if (object->objectName() == "lblStatus" || object->objectName().startsWith("qt_")) continue;
        if (auto* button = qobject_cast<QAbstractButton*>(object)) add(object, button->text());
        if (auto* label = qobject_cast<QLabel*>(object)) add(object, label->text());
        if (auto* group = qobject_cast<QGroupBox*>(object)) add(object, group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(object)) add(object, edit->placeholderText());
        if (auto* widget = qobject_cast<QWidget*>(object)) add(object, widget->toolTip());
        if (auto* action = qobject_cast<QAction*>(object); action != nullptr && !action->isSeparator())
            add(object, QString(action->text()).remove('&'));
        if (auto* tabs = qobject_cast<QTabWidget*>(object))
            for (int index = 0; index < tabs->count(); ++index) add(object, tabs->tabText(index));
        if (auto* list = qobject_cast<QTableView*>(object))
            for (int column = 0; column < list->model()->columnCount(); ++column)
                add(object, list->model()->headerData(column, Qt::Horizontal).toString());
    }
    return texts;
}

bool HasChinese(const QString& text) { return text.contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]")); }

// English words a Chinese window keeps: names of formats, codecs, norms, libraries, keys, the
// program and the languages, and "Auto", as the design's Chinese window has them; today's
// formats and their codecs by their own names too.
QString WithoutNames(QString text)
{
    static const QRegularExpression names(
        "\\b(Auto|Mono|Stereo|VCD|SVCD|DVD|3GP|AVI|FLV|iPod|MKV|MOV|MP4|OGG|PSP|RM10|RM20|SWF|WMV|M1V|M2V|AAC|AC3|"
        "MP2|MP3|WAV|WMA|FLAC|PAL|NTSC|DivX|XviD|X264|Imlib2|Ctrl\\+[A-Z]|Mirelk|English|rm|rmvb|"
        "WebM|HEVC|AV1|VP9|Opus|ALAC|M4A|GIF|H\\.264|H\\.265|MPEG-4|Apple)\\b");
    return text.remove(names).remove(QApplication::applicationVersion());
}

void ExpectChinese(QWidget* window, const std::set<QString>& translations)
{
    for (const auto& [where, text] : VisibleTexts(window)) {
        EXPECT_FALSE(WithoutNames(text).contains(QRegularExpression("[A-Za-z]")))
            << where.toStdString() << ": " << text.toStdString() << " -> " << WithoutNames(text).toStdString();
        // The time label is translated in its first part, before the time.
        if (HasChinese(text) && where != "mnuLanguage_zh_CN" && where != "lblPTS") {
            EXPECT_TRUE(translations.count(text) > 0) << where.toStdString() << ": " << text.toStdString();
        }
    }
}

void ExpectEnglish(QWidget* window)
{
    for (const auto& [where, text] : VisibleTexts(window))
        if (where != "mnuLanguage_zh_CN") {
            EXPECT_FALSE(HasChinese(text)) << where.toStdString() << ": " << text.toStdString();
        }
}

}  // namespace

TEST_F(MainWindowTest, BothWindowsInEitherLanguageSwitchedAtOnceAndKeptAcrossARestart)
{
    const std::set<QString> chinese = Translations("zh_CN");
    ASSERT_GT(chinese.size(), 100u);
    const std::string clip = Clip(folder.Path("片段 clip.avi"), 1);
    ui::TfrmMain& window = OpenWindow();
    SetOutputFolder(folder.Path() + "/");
    AddFiles({clip});
    ui::TfrmOption& options = window.ShowOptionWindow();

    // The design's texts, the 3GP page saying "encoding" as the WMV page does.
    EXPECT_EQ(Child<QAbstractButton>("ToolButton1")->text(), "添  加");
    EXPECT_EQ(Files()->model()->headerData(4, Qt::Horizontal).toString(), "进程");
    std::vector<QString> pageLabels;
    for (QLabel* label : Child<QWidget>("tab3GP")->findChildren<QLabel*>()) pageLabels.push_back(label->text());
    EXPECT_EQ(pageLabels, (std::vector<QString>{"视频编码方式：", "音频编码方式：", "视频大小：", "帧率/秒："}));
    ExpectChinese(&window, chinese);
    ExpectChinese(&options, chinese);

    TriggerMenu("mnuLanguage_en");
    EXPECT_EQ(ui::CurrentLanguage(), "en");
    EXPECT_EQ(Child<QAbstractButton>("ToolButton1")->text(), "Add");
    EXPECT_EQ(Child<QMenu>("mnuFile")->title(), "&File");
    EXPECT_TRUE(Child<QAction>("mnuLanguage_en")->isChecked());
    EXPECT_EQ(options.windowTitle(), "Output Options");
    ExpectEnglish(&window);
    ExpectEnglish(&options);
    // The file's own name stays as it is.
    EXPECT_EQ(Cell(0, 0), "片段 clip.avi");

    // Kept across a restart, and back again.
    OpenWindow();
    EXPECT_EQ(Child<QAbstractButton>("ToolButton7")->text(), "Convert");
    EXPECT_EQ(Child<QLineEdit>("Edit1")->placeholderText(), "Beside each input file");
    TriggerMenu("mnuLanguage_zh_CN");
    EXPECT_EQ(Child<QAbstractButton>("ToolButton7")->text(), "转  换");
    OpenWindow();
    EXPECT_EQ(Child<QAbstractButton>("ToolButton7")->text(), "转  换");
}

TEST_F(MainWindowTest, ALanguageTheProgramDoesNotHaveFollowsTheLocale)
{
    std::ofstream(std::filesystem::path(programFolder) / "Config.ini") << "[FormConfig]\nlanguage=xx_Nowhere\n";
    OpenWindow();
    const QString expected = ui::LanguageForLocale(QLocale::system()) == "zh_CN" ? "添  加" : "Add";
    EXPECT_EQ(Child<QAbstractButton>("ToolButton1")->text(), expected);
    EXPECT_EQ(ui::ChooseLanguage("xx_Nowhere", QLocale("zh_TW")), "zh_CN");
    EXPECT_EQ(ui::ChooseLanguage("", QLocale("de_DE")), "en");
    EXPECT_EQ(ui::ChooseLanguage("en", QLocale("zh_CN")), "en");
    EXPECT_EQ(ui::ChooseLanguage("zh_CN", QLocale("en_US")), "zh_CN");
}

TEST_F(MainWindowTest, TheWindowResizesFromItsFirstSizeAndKeepsItsColumnWidths)
{
    ui::TfrmMain& window = OpenWindow();
    const QSize first = window.size();
    EXPECT_EQ(window.minimumSize(), first);
    EXPECT_GE(first.width(), 624);
    EXPECT_GE(first.height(), 473);
    auto* list = Files();
    const int listHeight = list->height();
    window.resize(first + QSize(300, 200));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), first + QSize(300, 200));
    EXPECT_GT(list->height(), listHeight + 100) << "the list takes what the window grows";

    list->horizontalHeader()->resizeSection(0, 230);
    EXPECT_EQ(Child<QAction>("mnuExit")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(Child<QAction>("mnuHelpFile")->shortcut(), QKeySequence(Qt::Key_F1));
    OpenWindow();
    EXPECT_EQ(Files()->horizontalHeader()->sectionSize(0), 230);
}

}  // namespace mirelk::test
