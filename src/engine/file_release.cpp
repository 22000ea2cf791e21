// A task that waits for its turn holds no open file: what adding it opened is closed, and the
// run opens it again the same way, refusing an input that is no longer what was added.
#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/custom_ffmpeg.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

bool SameStreams(const AVFormatContext* context, const std::vector<TInputStreamFacts>& streams)
{
    if (context->nb_streams != streams.size()) return false;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* codec = context->streams[i]->codecpar;
        if (codec->codec_type != streams[i].type || codec->codec_id != streams[i].codecId) return false;
    }
    return true;
}

}  // namespace

void TCustomFFmpeg::ReleaseFiles()
{
    if (!FFLoader().LibsLoaded(DefaultAVLibraries)) return;
    for (TOpenInput& input : m_inputs) input.context.reset();
    // What the options were set on is made again when needed.
    if (m_avOptions) m_avOptions->ReleaseDefaults();
    for (TOpenOutput& output : m_outputs) {
        if (!output.context || output.context->pb == nullptr) continue;
        if (output.context->oformat->flags & AVFMT_NOFILE) continue;
        // Only before its run: what a run wrote is never opened again from the start.
        if (output.partLock.Valid()) continue;
        av::avio_closep(&output.context->pb);
        output.fileReleased = true;
    }
}

bool TCustomFFmpeg::FilesReleased() const
{
    for (const TOpenInput& input : m_inputs)
        if (!input.context) return true;
    for (const TOpenOutput& output : m_outputs)
        if (output.fileReleased) return true;
    return false;
}

void TCustomFFmpeg::ReopenFiles()
{
    for (TOpenInput& input : m_inputs) {
        if (input.context) continue;
        const TInputRecipe& recipe = input.recipe;
        if (recipe.fileSize >= 0) {
            TInputRecipe now;
            RecordFileFacts(input.fileName, now);
            if (now.fileSize >= 0 &&
                (now.fileSize != recipe.fileSize || now.modifiedNanoseconds != recipe.modifiedNanoseconds))
                throw FFmpegException(Format("%s: the file has changed since it was added", input.fileName.c_str()));
        }
        std::string error;
        TInputContextPtr context = OpenInputByRecipe(input.fileName, recipe, error);
        if (!context) throw FFmpegException(error);
        if (!SameStreams(context.get(), recipe.streams))
            throw FFmpegException(Format("%s: the file has changed since it was added", input.fileName.c_str()));
        for (unsigned i = 0; i < context->nb_streams; ++i) context->streams[i]->discard = recipe.streams[i].discard;
        if (recipe.seek) SeekBeforeStart(context.get(), recipe.seekPosition);
        input.context = std::move(context);
    }
    for (TOpenOutput& output : m_outputs)
        if (output.fileReleased) OpenOutputForRun(output);
}

}  // namespace mirelk
