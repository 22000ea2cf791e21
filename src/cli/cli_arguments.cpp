#include "cli/cli_arguments.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/plain_text.h"

namespace mirelk {

namespace {

constexpr char kUsage[] = "usage: mirelk-cli [options] -O OUTPUT INPUT [-O OUTPUT INPUT ...]\n"
                          "       mirelk-cli [options] -f FORMAT FILE...\n"
                          "       mirelk-cli --info [--json] FILE...\n"
                          "       mirelk-cli [choices] --save-preset NAME\n"
                          "       mirelk-cli --list-formats | --list-presets | --self-check | --help\n";
constexpr char kDescription[] =
    "Converts each INPUT into its OUTPUT, several at once, with option text in the transcoder's "
    "vocabulary (one option a line: name=value, or a bare name), or every FILE to one of the option "
    "form's formats by its rules.";
constexpr char kFooter[] =
    "Exit status: 0 when every task finished (or was done before, with --skip-done), 1 when any "
    "failed or was stopped, 2 for usage.";
constexpr std::size_t kHelpWidth = 79;
constexpr std::size_t kOptionColumn = 30;

constexpr char kConversions[] = "Conversions";
constexpr char kChoices[] = "The option form's choices (with -f)";
constexpr char kOutput[] = "Output";
constexpr char kDiagnostics[] = "Diagnostics";

void JoinLines(std::string& text, const std::vector<std::string>& pieces)
{
    for (const std::string& piece : pieces) {
        if (!text.empty()) text += '\n';
        text += piece;
    }
}

// "K/N" with 1 <= K <= N; false for anything else.
bool ReadShard(const std::string& text, TShard& shard)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    const auto number = [](const char* first, const char* last, int& value) {
        const auto [end, error] = std::from_chars(first, last, value);
        return error == std::errc() && end == last && first != last;
    };
    TShard read;
    if (!number(text.data(), text.data() + slash, read.index) ||
        !number(text.data() + slash + 1, text.data() + text.size(), read.count))
        return false;
    if (read.count < 1 || read.index < 1 || read.index > read.count) return false;
    shard = read;
    return true;
}

bool LogLevelOf(const std::string& text, TCliLogLevel& level)
{
    const std::pair<const char*, TCliLogLevel> levels[] = {{"quiet", TCliLogLevel::Quiet},
                                                           {"error", TCliLogLevel::Error},
                                                           {"info", TCliLogLevel::Info},
                                                           {"debug", TCliLogLevel::Debug},
                                                           {"all", TCliLogLevel::All}};
    for (const auto& [name, value] : levels)
        if (text == name) {
            level = value;
            return true;
        }
    return false;
}

// Appends the names of a list file ("-": standard input) to files.
bool ReadFileList(const std::string& listName, std::vector<std::string>& files, std::string& error)
{
    std::FILE* list = listName == "-" ? stdin : std::fopen(listName.c_str(), "rb");
    if (list == nullptr) {
        error = "--files-from cannot read '" + listName + "': " + std::strerror(errno);
        return false;
    }
    std::string text;
    const bool read = ReadToEnd(list, text);
    if (list != stdin) std::fclose(list);
    if (!read) {
        error = "--files-from cannot read '" + listName + "'";
        return false;
    }
    const char separator = text.find('\0') != std::string::npos ? '\0' : '\n';
    for (std::string& name : Pieces(text, separator))
        if (!name.empty()) files.push_back(std::move(name));
    return true;
}

// Everything the parser writes into besides the record itself.
struct TParsed {
    std::vector<std::string> inputOptions, outputOptions, files;
    std::string filesFrom;
    std::string logLevel = "info";
    std::string shard;
    bool info = false, selfCheck = false, listFormats = false, listPresets = false, imageHook = false;
};

std::unique_ptr<CLI::App> MakeParser(TCliArguments& result, TParsed& parsed)
{
    auto app = std::make_unique<CLI::App>(kDescription, "mirelk-cli");
    app->set_help_flag("-h,--help", "this text")->group(kDiagnostics);

    app->add_option("-O", result.conversions, "one conversion (repeat for more)")
        ->type_name("OUTPUT INPUT")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group(kConversions);
    app->add_option("files", parsed.files, "files to convert by the form's rules, or to describe")
        ->type_name("FILE...")
        ->group(kConversions);
    app->add_option("--files-from", parsed.filesFrom,
                    "more FILEs, from a list: one a line, or separated by NUL characters when the list "
                    "holds any (as find -print0 writes them); - reads standard input")
        ->type_name("LIST")
        ->group(kConversions);
    app->add_option("-f,--format", result.choices.format,
                    "convert every FILE to one of the formats --list-formats names, named beside the input "
                    "with \"_(new)\" unless -o is given")
        ->type_name("NAME")
        ->capture_default_str()
        ->group(kConversions);
    app->add_option("--input-options", parsed.inputOptions, "option lines applied before each input is opened")
        ->type_name("TEXT")
        ->group(kConversions);
    app->add_option("--output-options", parsed.outputOptions,
                    "option lines applied to each output (may be repeated; the lines join in order)")
        ->type_name("TEXT")
        ->group(kConversions);
    app->add_option("-j,--threads", result.threads,
                    "conversions at once, up to 64 (0: one after another on the main thread)")
        ->type_name("N")
        ->check(CLI::Range(0, 64).description(""))
        ->default_str(std::to_string(result.threads) + ", the number of processors")
        ->group(kConversions);
    app->add_option("--shard", parsed.shard,
                    "convert only the K-th input of the list and every N-th after it (K from 1 to N)")
        ->type_name("K/N")
        ->default_str("1/1")
        ->group(kConversions);
    app->add_flag("--skip-done", result.skipDone,
                  "skip an input whose output exists, opens and lasts as long as the input; an "
                  "incomplete one is converted again")
        ->group(kConversions);
    app->add_option("--journal", result.journal,
                    "append a JSON line to FILE as each task finishes, fails or is stopped; "
                    "--skip-done reads it first")
        ->type_name("FILE")
        ->group(kConversions);

    const auto choice = [&](const char* name, std::string& field, const char* type, const char* help,
                            const char* shown) {
        app->add_option(name, field, help)->type_name(type)->default_str(shown)->group(kChoices);
    };
    choice("--norm", result.choices.norm, "auto|pal|ntsc", "television norm of the disc formats", "auto");
    choice("--video-encoder", result.choices.videoEncoder, "auto|divx|xvid|x264", "video encoder", "auto");
    choice("--audio-encoder", result.choices.audioEncoder, "auto|aac|ac3|flac|mp3", "audio encoder", "auto");
    choice("--size", result.choices.size, "WxH", "picture size, or a name such as cif", "the format's");
    choice("--fps", result.choices.fps, "auto|10|15|25|30", "frame rate", "auto");
    choice("--aspect", result.choices.aspect, "auto|4:3|16:9|37:20|47:20", "display aspect ratio", "auto");
    choice("--channels", result.choices.channels, "auto|1|2", "audio channels", "auto");
    choice("--sample-rate", result.choices.sampleRate, "auto|8000|11025|22050|44100", "audio sample rate", "auto");
    choice("--volume", result.choices.volume, "N", "audio volume (256 unchanged)", "256");
    choice("--video-bitrate", result.choices.videoBitrate, "KBITS", "video bit rate", "the format's");
    choice("--audio-bitrate", result.choices.audioBitrate, "KBITS", "audio bit rate", "the format's");
    choice("--quality", result.choices.quality, "N",
           "constant video quality on the encoder's scale, lower is better (x264/x265 CRF 0-51, VP9 CRF "
           "0-63, SVT-AV1 CRF 1-63, MPEG-4/FLV/WMV quantiser 1-31)",
           "the encoder's for webm, mp4-hevc, mkv-av1, mp4-av1; none for the others");
    choice("--audio-quality", result.choices.audioQuality, "KBITS",
           "audio bit rate per channel for Opus, AAC, MP3 and Vorbis", "the encoder's for today's formats");
    choice("--speed", result.choices.speed, "auto|fastest|fast|medium|slow|slowest",
           "encoder speed (x264/x265/SVT-AV1 preset, VP9 cpu-used); slower makes smaller files", "auto");
    choice("--preset", result.choices.preset, "NAME|FILE",
           "start from a preset (--list-presets names them) or a preset file; the choices given here "
           "apply over it",
           "none");
    app->add_option("--save-preset", result.savePreset,
                    "save the choices given as a preset under NAME (-y replaces one of yours) and convert nothing")
        ->type_name("NAME")
        ->group(kChoices);
    choice("--crop", result.choices.crop, "T,B,L,R", "pixels cut off each edge", "none");
    choice("--pad", result.choices.pad, "T,B,L,R", "pixels added at each edge", "none");
    choice("--clip", result.choices.clip, "START-END", "convert only this part (seconds)", "all");
    choice("--filters", result.choices.filters, "LIST",
           "vflip,hflip,negate,scale=W:H,rotate=DEG,setpts=EXPR", "none");
    app->add_flag("--image-hook", parsed.imageHook, "draw the image hook's picture on every frame")
        ->group(kChoices);
    choice("--text-hook", result.choices.textHook, "TEXT", "draw a text on every frame", "none");
    choice("--watermark", result.choices.watermarkHook, "0|1", "blend the watermark picture in (1: the other mode)",
           "none");

    app->add_option("-o,--out-dir", result.choices.outDir, "folder for the converted files (made when missing)")
        ->type_name("DIR")
        ->default_str("beside each input")
        ->group(kOutput);
    app->add_flag("-y,--overwrite", result.overwrite, "replace output files that exist (never done otherwise)")
        ->group(kOutput);
    app->add_flag("-q,--quiet", result.quiet, "no progress and no \"done\" lines; log level quiet unless given")
        ->group(kOutput);
    app->add_flag("--json", result.json,
                  "one JSON object a line on standard output for every event, and a summary; with "
                  "--info, one a file")
        ->group(kOutput);

    app->add_option("--log-level", parsed.logLevel, "the component's and the libraries' lines")
        ->type_name("quiet|error|info|debug|all")
        ->check(CLI::Validator(
            [](std::string& text) {
                TCliLogLevel level;
                return LogLevelOf(text, level) ? std::string()
                                               : "needs quiet, error, info, debug or all, not '" + text + "'";
            },
            ""))
        ->default_str("info")
        ->group(kDiagnostics);
    app->add_flag("--info", parsed.info, "describe each FILE")->group(kDiagnostics);
    app->add_flag("--self-check", parsed.selfCheck, "load the codec libraries and list them with the option table")
        ->group(kDiagnostics);
    app->add_flag("--list-formats", parsed.listFormats, "the formats and what each writes")->group(kDiagnostics);
    app->add_flag("--list-presets", parsed.listPresets, "the built-in presets and the user's")->group(kDiagnostics);
    return app;
}

// The words of a text in lines of at most width characters (a longer word stands alone), the
// first line prefixed by first, the others by indent.
std::string Wrapped(const std::string& text, const std::string& first, std::size_t indent, std::size_t width)
{
    std::string result = first;
    std::size_t column = first.size();
    bool lineEmpty = true;
    for (const std::string& word : Pieces(text, ' ')) {
        if (word.empty()) continue;
        if (!lineEmpty && column + 1 + word.size() > width) {
            result += "\n" + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            result += ' ';
            ++column;
        }
        result += word;
        column += word.size();
        lineEmpty = false;
    }
    return result + "\n";
}

// "-f, --format NAME" of an option, "FILE..." of the positional one.
std::string OptionTitle(const CLI::Option& option)
{
    if (option.get_positional()) return option.get_type_name();
    std::string title;
    for (const std::string& name : option.get_snames()) title += (title.empty() ? "-" : ", -") + name;
    for (const std::string& name : option.get_lnames()) title += (title.empty() ? "--" : ", --") + name;
    const std::string type = option.get_type_name();
    if (option.get_type_size_max() > 0 && !type.empty()) title += " " + type;
    return title;
}

// The help text from the parser's own records: usage, then the options group by group, each
// with its default.
std::string HelpText(const CLI::App& app)
{
    std::string text = std::string(kUsage) + "\n" + Wrapped(kDescription, "", 0, kHelpWidth);
    for (const char* group : {kConversions, kChoices, kOutput, kDiagnostics}) {
        text += std::string("\n") + group + ":\n";
        for (const CLI::Option* option : app.get_options()) {
            if (option->get_group() != group) continue;
            std::string description = option->get_description();
            // The default stays on one line: its blanks are kept from the wrapping until then.
            std::string shown = option->get_default_str();
            std::replace(shown.begin(), shown.end(), ' ', '\x01');
            if (!shown.empty()) description += " (default:\x01" + shown + ")";
            std::string title = "  " + OptionTitle(*option);
            if (title.size() + 2 > kOptionColumn) {
                text += title + "\n";
                title.clear();
            }
            title.resize(kOptionColumn, ' ');
            text += Wrapped(description, title, kOptionColumn, kHelpWidth);
        }
    }
    std::replace(text.begin(), text.end(), '\x01', ' ');
    return text + "\n" + Wrapped(kFooter, "", 0, kHelpWidth);
}

}  // namespace

int ProcessorCount()
{
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    return static_cast<int>(std::clamp<long>(count, 1, 64));
}

std::string CliUsage()
{
    TCliArguments result;
    result.threads = ProcessorCount();
    TParsed parsed;
    return HelpText(*MakeParser(result, parsed));
}

TCliArguments ParseCliArguments(const std::vector<std::string>& arguments)
{
    TCliArguments result;
    result.threads = ProcessorCount();
    if (arguments.empty()) return result;
    TParsed parsed;
    const auto parser = MakeParser(result, parsed);
    const auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };
    try {
        // CLI11 takes the arguments last to first.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        parser->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.mode = TCliMode::Help;
        return result;
    } catch (const CLI::ParseError& error) {
        const std::string message = error.what();
        // The parser counts the pair's missing values as its own type's, which reads oddly.
        if (message.rfind("-O: ", 0) == 0) return fail("-O needs an OUTPUT and an INPUT");
        return fail(message);
    }
    const bool levelGiven = parser->count("--log-level") > 0;
    LogLevelOf(parsed.logLevel, result.logLevel);
    if (result.quiet && !levelGiven) result.logLevel = TCliLogLevel::Quiet;
    if (parser->count("--shard") > 0 && !ReadShard(parsed.shard, result.shard))
        return fail("--shard needs K/N with K from 1 to N, not '" + parsed.shard + "'");
    if (!parsed.filesFrom.empty()) {
        std::string error;
        if (!ReadFileList(parsed.filesFrom, parsed.files, error)) return fail(error);
    }
    JoinLines(result.inputOptions, parsed.inputOptions);
    JoinLines(result.outputOptions, parsed.outputOptions);
    if (parsed.imageHook) result.choices.imageHook = "on";

    result.formatGiven = parser->count("-f") > 0;
    const int modes = int(parsed.info) + int(parsed.selfCheck) + int(parsed.listFormats) + int(parsed.listPresets) +
                      int(parser->count("--save-preset") > 0);
    if (modes > 1) return fail("give only one of --info, --self-check, --list-formats, --list-presets and --save-preset");
    if (parsed.info) {
        if (parsed.files.empty()) return fail("--info needs at least one file");
        if (!result.conversions.empty()) return fail("--info describes files; -O is not for it");
        result.mode = TCliMode::Info;
        result.infoFiles = parsed.files;
        return result;
    }
    if (parsed.selfCheck || parsed.listFormats || parsed.listPresets || parser->count("--save-preset") > 0) {
        const char* name = parsed.selfCheck     ? "--self-check"
                           : parsed.listFormats ? "--list-formats"
                           : parsed.listPresets ? "--list-presets"
                                                : "--save-preset";
        if (!parsed.files.empty() || !result.conversions.empty()) return fail(std::string(name) + " takes no files");
        result.mode = parsed.selfCheck     ? TCliMode::SelfCheck
                      : parsed.listFormats ? TCliMode::ListFormats
                      : parsed.listPresets ? TCliMode::ListPresets
                                           : TCliMode::SavePreset;
        return result;
    }
    if (!parsed.files.empty()) {
        if (!result.conversions.empty()) return fail("give files either with -O or alone, not both");
        result.mode = TCliMode::ConvertByFormat;
        result.files = parsed.files;
    } else if (!result.conversions.empty()) {
        result.mode = TCliMode::Convert;
    } else {
        return fail("nothing to do: give -O OUTPUT INPUT, or files with -f");
    }
    return result;
}

}  // namespace mirelk
