// The command line of mirelk-cli, read into one plain record.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mirelk {

enum class TCliMode { Help, SelfCheck, Info, Convert };

struct TCliArguments {
    TCliMode mode = TCliMode::Help;
    // Each conversion: (output, input).
    std::vector<std::pair<std::string, std::string>> conversions;
    std::vector<std::string> infoFiles;
    std::string inputOptions;   // lines joined by line feeds
    std::string outputOptions;
    int threads = 1;            // tasks at once; 0 runs them one after another on the main thread
    bool overwrite = false;
    bool quiet = false;
    std::string error;          // set when the command line cannot be used
};

TCliArguments ParseCliArguments(const std::vector<std::string>& arguments);
std::string CliUsage();

}  // namespace mirelk
