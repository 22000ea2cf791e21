// The loader against stand-in libraries: missing files, missing entry points, broken files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "binding/entry_points.h"
#include "binding/loader.h"

using namespace mirelk;
namespace fs = std::filesystem;

namespace {

class StubFolder {
public:
    StubFolder()
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~StubFolder() { fs::remove_all(m_path); }
    // Puts a stub library in the folder under the file name of the library it stands for.
    void Put(const char* stubName, TAVLibrary library) const
    {
        fs::copy_file(fs::path(MIRELK_STUB_DIR) / (std::string(stubName) + ".so"),
                      m_path / TFFmpegLoader::GetLibFileName(library));
    }
    void PutGarbage(TAVLibrary library) const
    {
        std::ofstream(m_path / TFFmpegLoader::GetLibFileName(library)) << "this is no library";
    }
    std::string Path() const { return m_path.string(); }

private:
    fs::path m_path = fs::path(::testing::TempDir()) / ("mirelk_stubs_" + std::to_string(::getpid()));
};

}  // namespace

// A missing name fails the load with its name, also when it is the last one bound, and the
// names bound before it are null again.
TEST(LoaderFailure, MissingEntryPointNamesItAndUnloads)
{
    struct Case {
        const char* stub;
        TAVLibrary library;
        const char* missing;
    };
    for (const Case& c : {Case{"stub_swscale_without_sws_scale", libSwScale, "sws_scale"},
                          Case{"stub_avcodec_without_last", libAVCodec, "av_parser_close"}}) {
        StubFolder folder;
        folder.Put(c.stub, c.library);
        FFLoader().SetLibraryPath(folder.Path());
        EXPECT_FALSE(FFLoader().LoadLibs({c.library}));
        const std::string expected =
            std::string("Load function ") + c.missing + "@" + TFFmpegLoader::GetLibFileName(c.library) + " error: ";
        EXPECT_EQ(FFLoader().LastErrMsg().rfind(expected, 0), 0u) << FFLoader().LastErrMsg();
        EXPECT_NE(FFLoader().LastErrMsg().find(std::string("undefined symbol: ") + c.missing), std::string::npos);
        EXPECT_FALSE(FFLoader().LibLoaded(c.library));
        EXPECT_EQ(TFFmpegLoader::BoundEntryCount(c.library), 0);
    }
    EXPECT_EQ(av::sws_getContext, nullptr);
}

TEST(LoaderFailure, BrokenLibraryUnloadsTheWholeSet)
{
    StubFolder folder;
    folder.Put("stub_avcodec", libAVCodec);
    folder.Put("stub_avfilter", libAVFilter);
    folder.PutGarbage(libAVFormat);
    FFLoader().SetLibraryPath(folder.Path());
    // Opened by an earlier call: still unloaded with the set.
    ASSERT_TRUE(FFLoader().LoadLibs({libAVCodec})) << FFLoader().LastErrMsg();
    EXPECT_FALSE(FFLoader().LoadLibs({libAVCodec, libAVFilter, libAVFormat}));
    EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load library " + folder.Path() + "/libavformat.so.", 0), 0u)
        << FFLoader().LastErrMsg();
    for (TAVLibrary library : {libAVCodec, libAVFilter, libAVFormat}) {
        EXPECT_FALSE(FFLoader().LibLoaded(library));
        EXPECT_EQ(TFFmpegLoader::BoundEntryCount(library), 0);
    }
    EXPECT_EQ(av::avcodec_open2, nullptr);
    EXPECT_EQ(av::avfilter_graph_alloc, nullptr);
}

TEST(LoaderFailure, MissingLibraryNamesFolderAndFile)
{
    StubFolder folder;
    FFLoader().SetLibraryPath(folder.Path());
    EXPECT_FALSE(FFLoader().LoadLibs({libMyUtil}));
    EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load library " + folder.Path() + "/libmyutil.so error: ", 0), 0u)
        << FFLoader().LastErrMsg();
    // A failure message stays until the next failure.
    FFLoader().SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(FFLoader().LoadLibs({libMyUtil}));
    EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load library ", 0), 0u);
}
