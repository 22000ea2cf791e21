// The command line of mirelk-cli, read into one plain record.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mirelk {

enum class TCliMode { Help, SelfCheck, Info, Convert, ConvertByFormat, ListFormats, ListPresets, SavePreset };

// The choices of the option form, as the command line gives them; empty means the form's own.
struct TFormChoices {
    std::string format = "3GP";
    std::string outDir;
    std::string norm, videoEncoder, audioEncoder, size, fps, aspect, channels, sampleRate;
    std::string volume, videoBitrate, audioBitrate;  // bit rates in kbit/s
    std::string crop, pad;                           // "T,B,L,R"
    std::string clip;                                // "START-END", seconds
    std::string filters;                             // vflip,hflip,negate,scale=W:H,rotate=DEG,setpts=EXPR
    std::string imageHook, textHook, watermarkHook;  // "on", a text, "0"/"1"
    std::string quality, audioQuality, speed;        // the encoder's scale, kbit/s per channel, a speed
    std::string preset;                              // a preset's name or file, under the choices above
};

// The K-th of N shards: the K-th input of the list and every N-th after it.
struct TShard {
    int index = 1;  // K, from 1
    int count = 1;  // N
};

// The log levels of the command line, in the component's order.
enum class TCliLogLevel { Quiet, Error, Info, Debug, All };

struct TCliArguments {
    TCliMode mode = TCliMode::Help;
    // Each conversion: (output, input).
    std::vector<std::pair<std::string, std::string>> conversions;
    std::vector<std::string> infoFiles;
    // Files converted by the option form's rules (no -O given).
    std::vector<std::string> files;
    TFormChoices choices;
    bool formatGiven = false;   // -f given (a preset's format stays otherwise)
    std::string savePreset;     // the name to save the choices under
    std::string inputOptions;   // lines joined by line feeds
    std::string outputOptions;
    int threads = 1;            // tasks at once; 0 runs them one after another on the main thread
    bool overwrite = false;
    bool quiet = false;
    bool json = false;
    bool skipDone = false;
    // --journal: the file each ended task is recorded in; empty without it.
    std::string journal;
    TShard shard;
    TCliLogLevel logLevel = TCliLogLevel::Info;
    std::string error;          // set when the command line cannot be used
};

TCliArguments ParseCliArguments(const std::vector<std::string>& arguments);
std::string CliUsage();
// The number of processors, the default of --threads.
int ProcessorCount();

}  // namespace mirelk
