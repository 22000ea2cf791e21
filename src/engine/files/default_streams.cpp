#include "engine/files/default_streams.h"

#include "binding/entry_points.h"
#include "binding/text_format.h"

namespace mirelk {

namespace {

struct TFoundStream {
    TStreamRef ref;
    const TInputStreamFacts* facts = nullptr;
};

// The streams of one kind that the input options left in (not "vn", "an", "sn").
std::vector<TFoundStream> StreamsOfType(const std::vector<TOpenInput>& inputs, AVMediaType type)
{
    std::vector<TFoundStream> found;
    for (int input = 0; input < static_cast<int>(inputs.size()); ++input) {
        const std::vector<TInputStreamFacts>& streams = inputs[input].recipe.streams;
        for (int stream = 0; stream < static_cast<int>(streams.size()); ++stream)
            if (streams[stream].type == type && streams[stream].discard != AVDISCARD_ALL)
                found.push_back({{input, stream}, &streams[stream]});
    }
    return found;
}

// Why a stream cannot be decoded, or "" when it can.
std::string UndecodableReason(const TInputStreamFacts& stream)
{
    if (stream.codecId == AV_CODEC_ID_NONE) return "its codec is unknown";
    if (av::avcodec_find_decoder(stream.codecId) == nullptr) return "no decoder for it";
    // The stream information reads a picture of every video stream; a cover it could not read
    // has no size.
    if (stream.type == AVMEDIA_TYPE_VIDEO && (stream.width <= 0 || stream.height <= 0)) return "it cannot be decoded";
    return "";
}

// Which streams of a kind count: all, only covers, or only moving pictures.
enum TPictureKind { pkAny, pkCover, pkMoving };

bool Counts(const TInputStreamFacts& stream, TPictureKind kind)
{
    return kind == pkAny || stream.attachedPicture == (kind == pkCover);
}

bool AnyDecodable(const std::vector<TFoundStream>& streams, TPictureKind kind)
{
    for (const TFoundStream& found : streams)
        if (Counts(*found.facts, kind) && UndecodableReason(*found.facts).empty()) return true;
    return false;
}

std::string Describe(const char* kind, const TFoundStream& found)
{
    return Format("%s #%d.%d (%s)", kind, found.ref.input, found.ref.stream, av::avcodec_get_name(found.facts->codecId));
}

bool IsTextSubtitle(AVCodecID id)
{
    const AVCodecDescriptor* descriptor = av::avcodec_descriptor_get(id);
    return descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_TEXT_SUB) != 0;
}

bool MuxerTakes(const AVOutputFormat* format, AVCodecID id)
{
    return av::avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) == 1;
}

// Decides one subtitle stream: kept (copied or converted), or the reason it is not.
std::string ChooseSubtitle(const AVOutputFormat* format, AVCodecID textCodec, const TFoundStream& found,
                           TSubtitleChoice& choice)
{
    const AVCodecID codec = found.facts->codecId;
    const bool text = IsTextSubtitle(codec);
    // The MP4 family stores pictures of subtitles in a kind of track players do not show.
    const bool picturesShown = textCodec != AV_CODEC_ID_MOV_TEXT;
    if (codec != AV_CODEC_ID_NONE && MuxerTakes(format, codec) && (text || picturesShown)) {
        choice = {found.ref, true, AV_CODEC_ID_NONE};
        return "";
    }
    if (textCodec == AV_CODEC_ID_NONE && format->subtitle_codec == AV_CODEC_ID_NONE)
        return Format("%s takes no subtitles", format->name);
    if (!text) return Format("%s takes only text subtitles", format->name);
    if (textCodec == AV_CODEC_ID_NONE) return Format("%s takes no text subtitles", format->name);
    const std::string undecodable = UndecodableReason(*found.facts);
    if (!undecodable.empty()) return undecodable;
    choice = {found.ref, false, textCodec};
    return "";
}

}  // namespace

AVCodecID TextSubtitleCodec(const AVOutputFormat* format)
{
    if (format->subtitle_codec != AV_CODEC_ID_NONE && IsTextSubtitle(format->subtitle_codec) &&
        av::avcodec_find_encoder(format->subtitle_codec) != nullptr)
        return format->subtitle_codec;
    for (const AVCodecID candidate : {AV_CODEC_ID_MOV_TEXT, AV_CODEC_ID_ASS, AV_CODEC_ID_SUBRIP, AV_CODEC_ID_WEBVTT})
        if (MuxerTakes(format, candidate) && av::avcodec_find_encoder(candidate) != nullptr) return candidate;
    return AV_CODEC_ID_NONE;
}

TDefaultStreams ChooseDefaultStreams(const AVOutputFormat* format, const std::vector<TOpenInput>& inputs,
                                     const TOutputWants& wants)
{
    TDefaultStreams result;
    const std::vector<TFoundStream> video = StreamsOfType(inputs, AVMEDIA_TYPE_VIDEO);
    const std::vector<TFoundStream> audio = StreamsOfType(inputs, AVMEDIA_TYPE_AUDIO);
    if (!wants.mapped) {
        // A stream that cannot be made is left out only while the other kind carries the file.
        const TPictureKind pictures = wants.coverOnly ? pkCover : pkAny;
        result.leaveOutVideo = wants.video && !wants.videoCopied && !AnyDecodable(video, pictures) && wants.audio &&
                               (wants.audioCopied || AnyDecodable(audio, pkAny));
        result.leaveOutAudio = wants.audio && !wants.audioCopied && !AnyDecodable(audio, pkAny) && wants.video &&
                               !wants.coverOnly && (wants.videoCopied || AnyDecodable(video, pkMoving));
        for (const TFoundStream& found : video)
            if (result.leaveOutVideo && Counts(*found.facts, pictures))
                result.notes.push_back(Describe(found.facts->attachedPicture ? "Cover picture" : "Video stream", found) +
                                       " left out: " + UndecodableReason(*found.facts));
        for (const TFoundStream& found : audio)
            if (result.leaveOutAudio)
                result.notes.push_back(Describe("Audio stream", found) + " left out: " +
                                       UndecodableReason(*found.facts));
        for (const TFoundStream& found : StreamsOfType(inputs, AVMEDIA_TYPE_DATA))
            result.notes.push_back(Describe("Data stream", found) + " left out: data streams are not converted");
        for (const TFoundStream& found : StreamsOfType(inputs, AVMEDIA_TYPE_ATTACHMENT))
            result.notes.push_back(Describe("Attachment", found) + " left out: attachments are not converted");
    }
    if (wants.subtitleByDefault && !wants.mapped) {
        const AVCodecID textCodec = TextSubtitleCodec(format);
        for (const TFoundStream& found : StreamsOfType(inputs, AVMEDIA_TYPE_SUBTITLE)) {
            const std::string kept = Format("#%d.%d", result.subtitle.source.input, result.subtitle.source.stream);
            const std::string reason = result.subtitle.source.Valid()
                                           ? "the output keeps one subtitle stream, " + kept
                                           : ChooseSubtitle(format, textCodec, found, result.subtitle);
            if (!reason.empty()) result.notes.push_back(Describe("Subtitle stream", found) + " left out: " + reason);
        }
    }
    return result;
}

}  // namespace mirelk
