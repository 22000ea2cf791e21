#include "probe/description_copy.h"

#include "binding/entry_points.h"

namespace mirelk::probing {

namespace {

bool CopyPrograms(const AVFormatContext& input, AVFormatContext& copy)
{
    if (input.nb_programs == 0) return true;
    copy.programs = static_cast<AVProgram**>(av::av_mallocz(sizeof(AVProgram*) * input.nb_programs));
    if (copy.programs == nullptr) return false;
    for (unsigned p = 0; p < input.nb_programs; ++p) {
        const AVProgram& from = *input.programs[p];
        auto* to = static_cast<AVProgram*>(av::av_mallocz(sizeof(AVProgram)));
        if (to == nullptr) return false;
        copy.programs[copy.nb_programs++] = to;
        to->id = from.id;
        to->program_num = from.program_num;
        to->pmt_pid = from.pmt_pid;
        to->pcr_pid = from.pcr_pid;
        to->discard = from.discard;
        if (av::av_dict_copy(&to->metadata, from.metadata, 0) < 0) return false;
        if (from.nb_stream_indexes > 0) {
            to->stream_index = static_cast<unsigned*>(av::av_mallocz(sizeof(unsigned) * from.nb_stream_indexes));
            if (to->stream_index == nullptr) return false;
            for (unsigned k = 0; k < from.nb_stream_indexes; ++k) to->stream_index[k] = from.stream_index[k];
            to->nb_stream_indexes = from.nb_stream_indexes;
        }
    }
    return true;
}

bool CopyStream(const AVStream& from, AVFormatContext& copy)
{
    AVStream* to = av::avformat_new_stream(&copy, nullptr);
    if (to == nullptr || av::avcodec_parameters_copy(to->codecpar, from.codecpar) < 0) return false;
    to->id = from.id;
    to->time_base = from.time_base;
    to->start_time = from.start_time;
    to->duration = from.duration;
    to->nb_frames = from.nb_frames;
    to->disposition = from.disposition;
    to->discard = from.discard;
    to->sample_aspect_ratio = from.sample_aspect_ratio;
    to->avg_frame_rate = from.avg_frame_rate;
    to->r_frame_rate = from.r_frame_rate;
    return av::av_dict_copy(&to->metadata, from.metadata, 0) >= 0;
}

}  // namespace

TFormatContextPtr CopyDescription(const AVFormatContext& input)
{
    TFormatContextPtr copy(av::avformat_alloc_context());
    if (!copy) return nullptr;
    copy->iformat = input.iformat;
    if (input.url != nullptr) {
        av::av_freep(&copy->url);
        copy->url = av::av_strdup(input.url);
        if (copy->url == nullptr) return nullptr;
    }
    copy->start_time = input.start_time;
    copy->duration = input.duration;
    copy->bit_rate = input.bit_rate;
    if (av::av_dict_copy(&copy->metadata, input.metadata, 0) < 0) return nullptr;
    for (unsigned i = 0; i < input.nb_streams; ++i)
        if (!CopyStream(*input.streams[i], *copy)) return nullptr;
    if (!CopyPrograms(input, *copy)) return nullptr;
    return copy;
}

}  // namespace mirelk::probing
