// Times the output check on finished files: for each file given, the check a run makes of its
// output (all sound and picture streams against the given duration), repeated, and prints the
// milliseconds per file and whether it read the index.
//
//   check_bench SECONDS FILE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "binding/loader.h"
#include "binding/utilities.h"
#include "engine/files/output_check.h"

int main(int argc, char** argv)
{
    using namespace mirelk;
    if (argc < 3) {
        std::fprintf(stderr, "usage: check_bench SECONDS FILE...\n");
        return 2;
    }
    FFLoader().SetLibraryPath(DefaultLibraryFolder());
    if (!FFLoader().LoadLibs(DefaultAVLibraries)) {
        std::fprintf(stderr, "%s\n", FFLoader().LastErrMsg().c_str());
        return 1;
    }
    const auto expected = static_cast<std::int64_t>(std::atof(argv[1]) * 1e6);
    double total = 0;
    int failures = 0;
    int index = 0;
    for (int i = 2; i < argc; ++i) {
        TOutputCheckFacts facts;
        const auto start = std::chrono::steady_clock::now();
        const std::string problem = CheckOutputFile(argv[i], argv[i], {}, expected, &facts);
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        failures += problem.empty() ? 0 : 1;
        index += facts.readIndex ? 1 : 0;
        if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
    }
    const int files = argc - 2;
    std::printf("%d files, %d read by their index, %d failed; %.3f ms a file\n", files, index, failures,
                total / files);
    return failures == 0 ? 0 : 1;
}
