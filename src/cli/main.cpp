// mirelk-cli: the command-line front end.
#include <cstdio>
#include <cstring>
#include <string>

#include "binding/loader.h"
#include "engine/custom_ffmpeg.h"

namespace {

void PrintUsage()
{
    std::puts("usage: mirelk-cli --self-check\n"
              "  --self-check   load the codec libraries, print their versions and the option table");
}

// Loads the default library set from the program's "LibAV" folder (or the default search) and
// reports what was loaded, then the engine's option table.
int SelfCheck()
{
    using namespace mirelk;
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(DefaultLibraryFolder());
    std::printf("Library folder: %s\n", loader.LibraryPath().c_str());
    if (!loader.LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    for (int index = 0; index < kAVLibraryCount; ++index) {
        const auto library = static_cast<TAVLibrary>(index);
        const std::string fileName = TFFmpegLoader::GetLibFileName(library);
        if (!DefaultAVLibraries.Contains(library)) {
            std::printf("  %-22s not in the default set\n", fileName.c_str());
            continue;
        }
        const std::string version = loader.LoadedVersion(library);
        std::printf("  %-22s %-12s %d entry points bound\n", fileName.c_str(),
                    version.empty() ? "(ours)" : version.c_str(), TFFmpegLoader::BoundEntryCount(library));
    }

    const auto names = TCustomFFmpeg::OptionTableNames();
    std::printf("Option table (%zu names, compared in this order; any other name is an AVOption):\n",
                names.size());
    std::size_t column = 0;
    for (const std::string& name : names) {
        if (column + name.size() + 1 > 78) {
            std::printf("\n");
            column = 0;
        }
        column += static_cast<std::size_t>(std::printf(" %s", name.c_str()));
    }
    std::printf("\n");

    TCustomFFmpeg task;
    task.Reset();
    task.ParseOptionText("vcodec=mpeg4\nb=800000\ns=640x480\nr=25\ncrf=23", false);
    std::printf("A task took: vcodec=%s, b=%s, size %dx%d, rate %d/%d, crf=%s\n",
                task.Options().videoCodecName.c_str(), task.AVOptions()->CodecOptions(miVideo).Get("b"),
                task.Options().frameWidth, task.Options().frameHeight, task.Options().frameRate.num,
                task.Options().frameRate.den, task.AVOptions()->CodecOptions(miVideo).Get("crf"));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--self-check") == 0) {
        try {
            return SelfCheck();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    PrintUsage();
    return argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) ? 0 : 2;
}
