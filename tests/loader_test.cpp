#include <gtest/gtest.h>

#include <unistd.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/system_functions.h"

using namespace mirelk;
namespace fs = std::filesystem;

TEST(Loader, LoadsTheDefaultSetOnceAndNothingElse)
{
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(loader.LoadLibs(DefaultAVLibraries)) << loader.LastErrMsg();
    const std::uint64_t loaded = loader.LoadGeneration();
    EXPECT_TRUE(loader.LibsLoaded(DefaultAVLibraries));
    EXPECT_FALSE(loader.LibLoaded(libAVDevice));
    EXPECT_EQ(TFFmpegLoader::BoundEntryCount(libAVDevice), 0);
    for (TAVLibrary library : {libAVCodec, libAVFilter, libAVFormat, libAVUtil, libSwScale, libSwResample, libMyUtil}) {
        EXPECT_TRUE(loader.LibLoaded(library)) << library;
        EXPECT_EQ(TFFmpegLoader::BoundEntryCount(library), TFFmpegLoader::EntryCount(library)) << library;
    }
    // The version reported belongs to the major the program was built against.
    EXPECT_EQ(loader.LoadedVersion(libAVCodec).rfind(std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".", 0), 0u);

    // The support library came from the library folder, not from anywhere else.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(av::my_fopen), &info), 0);
    EXPECT_EQ(fs::path(info.dli_fname).parent_path(), fs::path(MIRELK_LIBAV_DIR));

    // Bound calls reach the libraries.
    EXPECT_NE(av::avcodec_find_encoder_by_name("mpeg4"), nullptr);
    const AVRational third = DoubleToRational(1.0 / 3.0, 1000);
    EXPECT_EQ(third.num * 3, third.den);

    // A second load opens nothing: from a folder whose every library file is broken it succeeds.
    const fs::path broken = fs::path(::testing::TempDir()) / ("mirelk_broken_libs_" + std::to_string(::getpid()));
    fs::create_directories(broken);
    for (int index = 0; index < kAVLibraryCount; ++index)
        std::ofstream(broken / TFFmpegLoader::GetLibFileName(static_cast<TAVLibrary>(index))) << "not a library";
    loader.SetLibraryPath(broken.string());
    EXPECT_TRUE(loader.LoadLibs(DefaultAVLibraries)) << loader.LastErrMsg();
    EXPECT_TRUE(loader.LibsLoaded(DefaultAVLibraries));
    EXPECT_EQ(loader.LoadGeneration(), loaded) << "nothing was opened, nothing learnt from the libraries is stale";
    // Loading one more library from there does open a file, and fails alone: the set that was
    // asked for is unloaded, the rest stays.
    EXPECT_FALSE(loader.LoadLibs({libAVDevice}));
    EXPECT_EQ(loader.LastErrMsg().rfind("Load library " + (broken / "libavdevice.so.").string(), 0), 0u)
        << loader.LastErrMsg();
    EXPECT_TRUE(loader.LibsLoaded(DefaultAVLibraries));
    fs::remove_all(broken);

    loader.UnloadLibs(DefaultAVLibraries);
    EXPECT_FALSE(loader.LibsLoaded(DefaultAVLibraries));
    for (int index = 0; index < kAVLibraryCount; ++index)
        EXPECT_EQ(TFFmpegLoader::BoundEntryCount(static_cast<TAVLibrary>(index)), 0);
    EXPECT_EQ(av::avcodec_open2, nullptr);
    EXPECT_EQ(av::my_fopen, nullptr);
    // Unloading what is not loaded does nothing; an empty set is the caller's error.
    EXPECT_NO_THROW(loader.UnloadLibs(DefaultAVLibraries.With(libAVDevice)));
    EXPECT_THROW(loader.LoadLibs({}), LoaderAssertion);
    EXPECT_THROW(loader.LibsLoaded({}), LoaderAssertion);
    EXPECT_THROW(loader.UnloadLibs({}), LoaderAssertion);

    // Loaded again, the libraries are new ones as far as anything kept about them goes.
    loader.SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(loader.LoadLibs(DefaultAVLibraries)) << loader.LastErrMsg();
    EXPECT_NE(loader.LoadGeneration(), loaded);
    loader.UnloadLibs(DefaultAVLibraries);
}

TEST(Loader, LibraryDeviceLoadsOnRequestAndRegistersDevices)
{
    TFFmpegLoader& loader = FFLoader();
    // With no folder every library comes from the default search, where ours is not.
    loader.SetLibraryPath("");
    EXPECT_FALSE(loader.LoadLibs(DefaultAVLibraries));
    EXPECT_EQ(loader.LastErrMsg().rfind("Load library libmyutil.so error: ", 0), 0u) << loader.LastErrMsg();
    EXPECT_FALSE(loader.LibLoaded(libAVCodec));

    loader.SetLibraryPath(MIRELK_LIBAV_DIR);
    ASSERT_TRUE(loader.LoadLibs(DefaultAVLibraries.With(libAVDevice))) << loader.LastErrMsg();
    EXPECT_TRUE(loader.LibLoaded(libAVDevice));
    // The "lavfi" virtual input exists only once the devices are registered.
    EXPECT_NE(av::av_find_input_format("lavfi"), nullptr);
    loader.UnloadLibs({libAVDevice});
    EXPECT_FALSE(loader.LibLoaded(libAVDevice));
    EXPECT_TRUE(loader.LibsLoaded(DefaultAVLibraries));
}
