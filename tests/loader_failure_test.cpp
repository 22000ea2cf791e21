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

// A folder of stand-in libraries, each under the file name of the library it stands for.
struct StubFolder {
    StubFolder()
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~StubFolder() { fs::remove_all(path); }
    // Without a stub: a file that is no library.
    void Put(TAVLibrary library, const char* stub = nullptr) const
    {
        const fs::path target = path / TFFmpegLoader::GetLibFileName(library);
        if (stub != nullptr)
            fs::copy_file(fs::path(MIRELK_STUB_DIR) / (std::string(stub) + ".so"), target);
        else
            std::ofstream(target) << "this is no library";
    }
    std::string Path() const { return path.string(); }

    const fs::path path = fs::path(::testing::TempDir()) / ("mirelk_stubs_" + std::to_string(::getpid()));
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
        folder.Put(c.library, c.stub);
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
    folder.Put(libAVCodec, "stub_avcodec");
    folder.Put(libAVFilter, "stub_avfilter");
    folder.Put(libAVFormat);
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
