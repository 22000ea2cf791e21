#include "engine/options/avoption_context.h"

#include <map>
#include <mutex>
#include <tuple>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

TAVDictionary::TAVDictionary(const TAVDictionary& other)
{
    av::av_dict_copy(&m_dictionary, other.m_dictionary, 0);
}

TAVDictionary& TAVDictionary::operator=(const TAVDictionary& other)
{
    if (this != &other) {
        Free();
        av::av_dict_copy(&m_dictionary, other.m_dictionary, 0);
    }
    return *this;
}

TAVDictionary& TAVDictionary::operator=(TAVDictionary&& other) noexcept
{
    if (this != &other) {
        Free();
        m_dictionary = std::exchange(other.m_dictionary, nullptr);
    }
    return *this;
}

TAVDictionary::~TAVDictionary() { Free(); }

// A dictionary whose library went away is lost rather than freed through a null entry point.
void TAVDictionary::Free()
{
    if (m_dictionary != nullptr && av::av_dict_free != nullptr) av::av_dict_free(&m_dictionary);
    m_dictionary = nullptr;
}

void TAVDictionary::Set(const std::string& key, const std::string& value)
{
    av::av_dict_set(&m_dictionary, key.c_str(), value.c_str(), 0);
}

const char* TAVDictionary::Get(const std::string& key) const
{
    const AVDictionaryEntry* entry = av::av_dict_get(m_dictionary, key.c_str(), nullptr, AV_DICT_MATCH_CASE);
    return entry != nullptr ? entry->value : nullptr;
}

int TAVDictionary::Count() const { return av::av_dict_count(m_dictionary); }

namespace {

constexpr std::array<AVMediaType, kMediaIndexCount> kMediaTypes{
    AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
    AVMEDIA_TYPE_ATTACHMENT};
// Data and attachment options carry no media flag: their lookup takes any codec option.
constexpr std::array<int, kMediaIndexCount> kMediaOptionMasks{
    AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0, AV_OPT_FLAG_SUBTITLE_PARAM, 0};

// Whether the class or one of its child classes (the private options of all codecs, muxers and
// demuxers) has the option, without an object. The walk goes through a few hundred classes for
// each name, every time a task is made; the answer depends only on the libraries loaded, so it
// is remembered for as long as they stay loaded.
bool KnownInClass(const AVClass* optionClass, const char* name, int mask)
{
    struct TAnswers {
        std::mutex lock;
        std::uint64_t generation = 0;
        std::map<std::tuple<const AVClass*, int, std::string>, bool> known;
    };
    static TAnswers answers;
    const std::uint64_t generation = FFLoader().LoadGeneration();
    auto key = std::make_tuple(optionClass, mask, std::string(name));
    {
        std::lock_guard<std::mutex> lock(answers.lock);
        if (answers.generation != generation) {
            answers.known.clear();
            answers.generation = generation;
        }
        if (const auto found = answers.known.find(key); found != answers.known.end()) return found->second;
    }
    const AVClass* fakeObject = optionClass;
    const bool known = av::av_opt_find(&fakeObject, name, nullptr, mask,
                                       AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
    std::lock_guard<std::mutex> lock(answers.lock);
    if (answers.generation == generation) answers.known.emplace(std::move(key), known);
    return known;
}

// Sets an option found in a class: a field of the defaults object is set there, which checks
// the value; a private option of some codec or muxer is only kept, and checked when that
// codec or muxer is opened with it.
bool SetInObject(void* object, const char* name, const std::string& value, TAVDictionary& kept)
{
    if (av::av_opt_find(object, name, nullptr, 0, 0) != nullptr &&
        av::av_opt_set(object, name, value.c_str(), 0) < 0)
        return false;
    kept.Set(name, value);
    return true;
}

TAVDictionary OptionsWith(const TAVDictionary& kept, const AVClass* optionClass, int flags)
{
    TAVDictionary chosen;
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av::av_dict_get(kept.Raw(), "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        if (KnownInClass(optionClass, entry->key, flags)) chosen.Set(entry->key, entry->value);
    }
    return chosen;
}

}  // namespace

TAVDictionary TAVOptionContext::CodecOptionsWith(TMediaIndex media, int flags) const
{
    return OptionsWith(m_codecOptions[media], av::avcodec_get_class(), flags);
}

TAVDictionary TAVOptionContext::FormatOptionsWith(int flags) const
{
    return OptionsWith(m_formatOptions, av::avformat_get_class(), flags);
}

TAVOptionContext::TAVOptionContext(int scalerFlags) : m_scalerFlags(scalerFlags)
{
    for (int media = 0; media < kMediaIndexCount; ++media) CodecDefaults(static_cast<TMediaIndex>(media));
    FormatDefaults();
    ScalerDefaults();
}

namespace {

// Sets again on a new defaults object what was set on the one before it.
void Replay(void* object, const TAVDictionary& kept)
{
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av::av_dict_get(kept.Raw(), "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
        if (av::av_opt_find(object, entry->key, nullptr, 0, 0) != nullptr) av::av_opt_set(object, entry->key, entry->value, 0);
}

}  // namespace

AVCodecContext* TAVOptionContext::CodecDefaults(TMediaIndex media) const
{
    auto& defaults = m_codecDefaults[media];
    if (!defaults) {
        defaults.reset(av::avcodec_alloc_context3(nullptr));
        if (!defaults) throw FFmpegException("Could not allocate the codec defaults");
        defaults->codec_type = kMediaTypes[media];
        Replay(defaults.get(), m_codecOptions[media]);
    }
    return defaults.get();
}

AVFormatContext* TAVOptionContext::FormatDefaults() const
{
    if (!m_formatDefaults) {
        m_formatDefaults.reset(av::avformat_alloc_context());
        if (!m_formatDefaults) throw FFmpegException("Could not allocate the option defaults");
        Replay(m_formatDefaults.get(), m_formatOptions);
    }
    return m_formatDefaults.get();
}

SwsContext* TAVOptionContext::ScalerDefaults() const
{
    if (!m_scalerDefaults) {
        m_scalerDefaults.reset(av::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P,
                                                  m_scalerFlags, nullptr, nullptr, nullptr));
        if (!m_scalerDefaults) throw FFmpegException("Could not allocate the option defaults");
        Replay(m_scalerDefaults.get(), m_scalerOptions);
    }
    return m_scalerDefaults.get();
}

void TAVOptionContext::ReleaseDefaults()
{
    for (auto& defaults : m_codecDefaults) defaults.reset();
    m_formatDefaults.reset();
    m_scalerDefaults.reset();
}

bool TAVOptionContext::SetCodecOption(TMediaIndex media, const char* name, const std::string& value)
{
    return SetInObject(CodecDefaults(media), name, value, m_codecOptions[media]);
}

TOptionSetResult TAVOptionContext::Set(const std::string& name, const std::string& value)
{
    const char* optionName = name.c_str();
    bool found = false;
    bool accepted = true;
    for (int media = 0; media < kMediaIndexCount && accepted; ++media) {
        if (!KnownInClass(av::avcodec_get_class(), optionName, kMediaOptionMasks[media])) continue;
        found = true;
        accepted = SetCodecOption(static_cast<TMediaIndex>(media), optionName, value);
    }
    if (!found && KnownInClass(av::avformat_get_class(), optionName, 0)) {
        found = true;
        accepted = SetInObject(FormatDefaults(), optionName, value, m_formatOptions);
    }
    if (!found && KnownInClass(av::sws_get_class(), optionName, 0)) {
        found = true;
        accepted = SetInObject(ScalerDefaults(), optionName, value, m_scalerOptions);
    }
    if (!found && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
        const TMediaIndex media = name[0] == 'a' ? miAudio : name[0] == 'v' ? miVideo : miSubtitle;
        const char* shortName = optionName + 1;
        if (av::av_opt_find(CodecDefaults(media), shortName, nullptr, 0, 0) != nullptr) {
            found = true;
            accepted = SetCodecOption(media, shortName, value);
        }
    }
    if (!found) return TOptionSetResult::NotFound;
    if (!accepted) return TOptionSetResult::Rejected;
    m_setNames.push_back(name);
    return TOptionSetResult::Set;
}

int TAVOptionContext::ScalerFlags() const
{
    std::int64_t flags = 0;
    if (av::av_opt_get_int(ScalerDefaults(), "sws_flags", 0, &flags) >= 0 && flags != 0) return static_cast<int>(flags);
    return SWS_BICUBIC;
}

}  // namespace mirelk
