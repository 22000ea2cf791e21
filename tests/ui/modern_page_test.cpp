// The main window's page of today's targets, driven as a user drives it: the tool bar converts
// with the page's format, the row names the file that was written, and the page's lists follow
// the chosen format.
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "ui_test_support.h"

namespace mirelk::test {

namespace {

enum { colName, colDuration, colSize, colOutput, colProgress };

class ModernPageTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::ofstream(std::filesystem::path(programFolder) / "Config.ini") << "[FormConfig]\nlanguage=en\n";
    }
    void ShowPage()
    {
        auto* pages = Child<QTabWidget>("PageControl1");
        pages->setCurrentWidget(Child<QWidget>("tabModern"));
        ASSERT_EQ(pages->currentWidget()->objectName(), "tabModern");
    }
    void ChooseItem(const char* list, const QString& item)
    {
        auto* combo = Child<QComboBox>(list);
        ASSERT_NE(combo, nullptr) << list;
        const int index = combo->findText(item);
        ASSERT_GE(index, 0) << item.toStdString();
        combo->setCurrentIndex(index);
    }
};

TEST_F(ModernPageTest, TheToolBarWritesThePagesFormatUnderTheNameTheRowShows)
{
    const std::string clip = Clip(folder.Path("clip.avi"), 2);
    const std::string out = folder.Path("out") + "/";
    std::filesystem::create_directories(out);
    OpenWindow();
    SetOutputFolder(out);
    AddFiles({clip});
    ShowPage();
    EXPECT_EQ(Window().findChild<QTabWidget*>("PageControl1")->tabText(5), "Modern");

    ChooseItem("Modern_Format", "WebM");
    ChooseItem("Modern_Speed", "Fastest");
    Click("ToolButton7");
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colProgress), "100%") << LogText().toStdString();
    EXPECT_EQ(Cell(0, colOutput), "clip_(new).webm");
    const std::string webm = out + Cell(0, colOutput).toStdString();
    EXPECT_EQ(Probe(webm, "v:0", "stream=codec_name"), "vp9");
    EXPECT_EQ(Probe(webm, "a:0", "stream=codec_name"), "opus");
    EXPECT_EQ(Window().OutputFile(0), webm);

    // Sound only: the row is converted again, and names the new file.
    ChooseItem("Modern_Format", "Opus");
    Window().ConvertRowsAgain({0});
    WaitUntilIdle();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, colProgress), "100%") << LogText().toStdString();
    EXPECT_EQ(Cell(0, colOutput), "clip_(new).opus");
    const std::string opus = out + Cell(0, colOutput).toStdString();
    EXPECT_EQ(Window().OutputFile(0), opus);
    EXPECT_EQ(Probe(opus, "a:0", "stream=codec_name"), "opus");
    EXPECT_EQ(Probe(opus, "v", "stream=codec_name"), "");
    // The first run's file stays.
    EXPECT_TRUE(std::filesystem::exists(webm));
}

TEST_F(ModernPageTest, ThePagesListsFollowTheFormat)
{
    OpenWindow();
    ShowPage();
    auto* size = Child<QComboBox>("Modern_FrameSize");
    auto* speed = Child<QComboBox>("Modern_Speed");
    auto* about = Child<QLabel>("Modern_About");
    ChooseItem("Modern_Format", "MKV-AV1");
    EXPECT_TRUE(size->isEnabled());
    EXPECT_TRUE(speed->isEnabled());
    EXPECT_TRUE(about->text().contains("AV1")) << about->text().toStdString();
    // Sound has no pictures to size, and its encoders no speed.
    ChooseItem("Modern_Format", "FLAC");
    EXPECT_FALSE(size->isEnabled());
    EXPECT_FALSE(speed->isEnabled());
    // The animated picture has a size but no speed, and tells its limits.
    ChooseItem("Modern_Format", "GIF");
    EXPECT_TRUE(size->isEnabled());
    EXPECT_FALSE(speed->isEnabled());
    EXPECT_TRUE(about->text().contains("at most 60 seconds")) << about->text().toStdString();
    EXPECT_TRUE(about->text().contains("480 pixels")) << about->text().toStdString();
    EXPECT_EQ(speed->count(), 6);
    EXPECT_EQ(speed->itemText(5), "Slowest (smallest file)");
    Window().SetLanguage("zh_CN");
    QCoreApplication::processEvents();
    EXPECT_NE(speed->itemText(5), "Slowest (smallest file)");
    EXPECT_TRUE(about->text().contains("60")) << about->text().toStdString();
}

}  // namespace

}  // namespace mirelk::test
