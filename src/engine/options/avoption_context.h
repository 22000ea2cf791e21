// The generic (AVOption) options of a task: defaults contexts of the codec, format and scaler
// classes in which the options are looked up and checked, and per-media dictionaries of what
// was set, which the files opened later hand to their codecs and muxers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "binding/av_owners.h"
#include "engine/options/option_state.h"

namespace mirelk {

// Owns one AVDictionary.
class TAVDictionary {
public:
    TAVDictionary() = default;
    TAVDictionary(const TAVDictionary& other);
    TAVDictionary& operator=(const TAVDictionary& other);
    TAVDictionary(TAVDictionary&& other) noexcept : m_dictionary(std::exchange(other.m_dictionary, nullptr)) {}
    TAVDictionary& operator=(TAVDictionary&& other) noexcept;
    ~TAVDictionary();

    void Set(const std::string& key, const std::string& value);
    // The value of a key, or null.
    const char* Get(const std::string& key) const;
    int Count() const;
    const AVDictionary* Raw() const { return m_dictionary; }
    // For the calls that take and give back a dictionary (the entries they did not use).
    AVDictionary** Address() { return &m_dictionary; }

private:
    void Free();

    AVDictionary* m_dictionary = nullptr;
};

enum class TOptionSetResult { NotFound, Set, Rejected };

class TAVOptionContext {
public:
    // Needs libavcodec, libavformat, libavutil and libswscale bound.
    explicit TAVOptionContext(int scalerFlags);
    TAVOptionContext(const TAVOptionContext&) = delete;
    TAVOptionContext& operator=(const TAVOptionContext&) = delete;

    // Looks the name up in the codec class for each media type (video, audio, data, subtitle,
    // attachment), then the format class, then the scaler class, then, for a name beginning
    // with "a", "v" or "s", the rest of the name in that media type's codec defaults.
    TOptionSetResult Set(const std::string& name, const std::string& value);

    // The objects the options are set on, made again (with the options set so far) after
    // ReleaseDefaults. Throw FFmpegException when they cannot be made.
    AVCodecContext* CodecDefaults(TMediaIndex media) const;
    AVFormatContext* FormatDefaults() const;
    SwsContext* ScalerDefaults() const;
    // The scaler flags the "sws_flags" option asked for, or bicubic.
    int ScalerFlags() const;
    // Frees those objects; the options set so far are kept. For a task that waits: they are
    // most of what it would hold otherwise.
    void ReleaseDefaults();
    const TAVDictionary& CodecOptions(TMediaIndex media) const { return m_codecOptions[media]; }
    const TAVDictionary& FormatOptions() const { return m_formatOptions; }
    const TAVDictionary& ScalerOptions() const { return m_scalerOptions; }
    // The kept options of a media type (or of the format) whose option carries every flag of
    // the mask, such as AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM.
    TAVDictionary CodecOptionsWith(TMediaIndex media, int flags) const;
    TAVDictionary FormatOptionsWith(int flags) const;
    // Names of every option that was set, in order.
    const std::vector<std::string>& SetNames() const { return m_setNames; }

private:
    bool SetCodecOption(TMediaIndex media, const char* name, const std::string& value);

    int m_scalerFlags = 0;
    mutable std::array<TUnopenedCodecContextPtr, kMediaIndexCount> m_codecDefaults;
    mutable TFormatContextPtr m_formatDefaults;
    mutable TScalerPtr m_scalerDefaults;
    std::array<TAVDictionary, kMediaIndexCount> m_codecOptions;
    TAVDictionary m_formatOptions;
    TAVDictionary m_scalerOptions;
    std::vector<std::string> m_setNames;
};

}  // namespace mirelk
