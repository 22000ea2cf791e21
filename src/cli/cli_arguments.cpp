#include "cli/cli_arguments.h"

#include <charconv>

namespace mirelk {

std::string CliUsage()
{
    return "usage: mirelk-cli [options] -O OUTPUT INPUT [-O OUTPUT INPUT ...]\n"
           "       mirelk-cli --info FILE...\n"
           "       mirelk-cli --self-check\n"
           "\n"
           "Converts each INPUT into its OUTPUT, several at once, with option text in the\n"
           "transcoder's vocabulary (one option a line: name=value, or a bare name).\n"
           "\n"
           "       mirelk-cli [options] -f FORMAT FILE...\n"
           "       mirelk-cli --list-formats\n"
           "\n"
           "  -O OUTPUT INPUT         one conversion (repeat for more)\n"
           "  -f, --format NAME       convert every FILE to one of the 24 formats (default 3GP),\n"
           "                          named beside the input with \"_(new)\" unless -o is given\n"
           "  -o, --out-dir DIR       folder for the converted files\n"
           "  --norm auto|pal|ntsc, --video-encoder auto|divx|xvid|x264,\n"
           "  --audio-encoder auto|aac|ac3|flac|mp3, --size WxH, --fps auto|10|15|25|30,\n"
           "  --aspect auto|4:3|16:9|37:20|47:20, --channels auto|1|2,\n"
           "  --sample-rate auto|8000|11025|22050|44100, --volume N (256 unchanged),\n"
           "  --video-bitrate KBITS, --audio-bitrate KBITS, --crop T,B,L,R, --pad T,B,L,R,\n"
           "  --clip START-END (seconds), --filters vflip,hflip,negate,scale=W:H,rotate=DEG,\n"
           "  setpts=EXPR, --image-hook, --text-hook TEXT, --watermark 0|1\n"
           "                          the option form's choices for -f\n"
           "  --input-options TEXT    option lines applied before each input is opened\n"
           "  --output-options TEXT   option lines applied to each output (may be repeated;\n"
           "                          the lines join in order)\n"
           "  -j, --threads N         conversions at once (default 1; 0: one after another\n"
           "                          on the main thread)\n"
           "  -y, --overwrite         replace output files that exist (never done otherwise)\n"
           "  -q, --quiet             no progress lines\n"
           "  --info FILE...          describe each file\n"
           "  --self-check            load the codec libraries and list them with the option table\n"
           "  --list-formats          the 24 formats and what each writes\n"
           "  -h, --help              this text\n";
}

namespace {

// The field of the form's choices an option sets, or null.
std::string* FormChoice(TFormChoices& choices, const std::string& option)
{
    const std::pair<const char*, std::string*> table[] = {
        {"-f", &choices.format},          {"--format", &choices.format},
        {"-o", &choices.outDir},          {"--out-dir", &choices.outDir},
        {"--norm", &choices.norm},        {"--video-encoder", &choices.videoEncoder},
        {"--audio-encoder", &choices.audioEncoder}, {"--size", &choices.size},
        {"--fps", &choices.fps},          {"--aspect", &choices.aspect},
        {"--channels", &choices.channels}, {"--sample-rate", &choices.sampleRate},
        {"--volume", &choices.volume},    {"--video-bitrate", &choices.videoBitrate},
        {"--audio-bitrate", &choices.audioBitrate}, {"--crop", &choices.crop},
        {"--pad", &choices.pad},          {"--clip", &choices.clip},
        {"--filters", &choices.filters},  {"--text-hook", &choices.textHook},
        {"--watermark", &choices.watermarkHook},
    };
    for (const auto& [name, field] : table)
        if (option == name) return field;
    return nullptr;
}

void Join(std::string& text, const std::string& lines)
{
    if (!text.empty()) text += '\n';
    text += lines;
}

}  // namespace

TCliArguments ParseCliArguments(const std::vector<std::string>& arguments)
{
    TCliArguments result;
    const auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&](const char* what) -> const std::string* {
            if (i + 1 >= arguments.size()) return nullptr;
            (void)what;
            return &arguments[++i];
        };
        if (argument == "-h" || argument == "--help") {
            result.mode = TCliMode::Help;
            return result;
        } else if (argument == "--self-check") {
            result.mode = TCliMode::SelfCheck;
        } else if (argument == "--info") {
            result.mode = TCliMode::Info;
            while (i + 1 < arguments.size()) result.infoFiles.push_back(arguments[++i]);
            if (result.infoFiles.empty()) return fail("--info needs at least one file");
        } else if (argument == "-O") {
            if (i + 2 >= arguments.size()) return fail("-O needs an output and an input");
            result.conversions.emplace_back(arguments[i + 1], arguments[i + 2]);
            i += 2;
            result.mode = TCliMode::Convert;
        } else if (argument == "--input-options") {
            const std::string* text = value("text");
            if (text == nullptr) return fail("--input-options needs a text");
            Join(result.inputOptions, *text);
        } else if (argument == "--output-options") {
            const std::string* text = value("text");
            if (text == nullptr) return fail("--output-options needs a text");
            Join(result.outputOptions, *text);
        } else if (argument == "-j" || argument == "--threads") {
            const std::string* text = value("number");
            int threads = -1;
            if (text == nullptr ||
                std::from_chars(text->data(), text->data() + text->size(), threads).ec != std::errc() || threads < 0 ||
                threads > 64)
                return fail("--threads needs a number from 0 to 64");
            result.threads = threads;
        } else if (argument == "--list-formats") {
            result.mode = TCliMode::ListFormats;
        } else if (argument == "--image-hook") {
            result.choices.imageHook = "on";
        } else if (const auto choice = FormChoice(result.choices, argument)) {
            const std::string* text = value("value");
            if (text == nullptr) return fail(argument + " needs a value");
            *choice = *text;
        } else if (argument == "-y" || argument == "--overwrite") {
            result.overwrite = true;
        } else if (argument == "-q" || argument == "--quiet") {
            result.quiet = true;
        } else if (!argument.empty() && argument[0] != '-') {
            result.files.push_back(argument);
        } else {
            return fail("unknown option '" + argument + "'");
        }
    }
    if (!result.files.empty()) {
        if (result.mode == TCliMode::Convert) return fail("give files either with -O or alone, not both");
        result.mode = TCliMode::ConvertByFormat;
    }
    if (result.mode == TCliMode::Help && !arguments.empty() && result.error.empty())
        return fail("nothing to do");
    return result;
}

}  // namespace mirelk
