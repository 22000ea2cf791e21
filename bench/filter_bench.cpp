// filter_bench: converts one file through the engine with the options given, one per argument
// ("vcodec=mpeg4", "vfilters=vflip,negate"), and prints the conversion's wall-clock time.
#include <chrono>
#include <cstdio>
#include <string>

#include "binding/loader.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

int main(int argc, char** argv)
{
    using namespace mirelk;
    if (argc < 3) {
        std::fprintf(stderr, "usage: filter_bench INPUT OUTPUT [OPTION=VALUE ...]\n");
        return 2;
    }
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(DefaultLibraryFolder());
    if (!loader.LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    std::string options;
    for (int index = 3; index < argc; ++index) options += std::string(argv[index]) + "\n";

    TCustomFFmpeg task;
    task.Reset();
    task.SetLogLevel(-1);
    const auto started = std::chrono::steady_clock::now();
    try {
        if (!task.OpenInputFile(argv[1])) throw FFmpegException(task.LastErrMsg);
        task.ParseOptionText(options, false);
        if (!task.OpenOutputFile(argv[2])) throw FFmpegException(task.LastErrMsg);
        task.ParseOptionText(options, true);
        task.Transcode();
    } catch (const FFmpegException& error) {
        std::fprintf(stderr, "filter_bench: %s\n", error.what());
        return 1;
    }
    task.CleanUp();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    std::printf("%.3f\n", elapsed.count());
    return task.Finished ? 0 : 1;
}
