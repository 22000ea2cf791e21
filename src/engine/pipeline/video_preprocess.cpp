#include "engine/pipeline/video_preprocess.h"

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "engine/pipeline/deinterlace.h"
#include "engine/pipeline/transcode_run.h"

namespace mirelk {

TVideoPreprocessor::TVideoPreprocessor(TTranscodeRun& run)
    : m_run(run), m_hookAction(haContinue), m_hooksInUse(run.Request().hooksInUse),
      m_customHookActive(run.Host().HasCustomHook())
{
}

void TVideoPreprocessor::SwitchHooksOff()
{
    m_hookAction = haStop;
    m_hooksInUse = false;
}

void TVideoPreprocessor::DecideHookAction(std::int64_t pts)
{
    THookAction action = static_cast<THookAction>(m_hookAction);
    bool decided = false;
    try {
        decided = m_run.Host().DecideHook(pts, action);
    } catch (const std::exception& error) {
        decided = true;
        m_run.Log(kLevelError, error.what());
    }
    if (decided) {
        m_hookAction = action;
        if (action == haStop) SwitchHooksOff();
        return;
    }
    const std::vector<THookPeriod>& periods = m_run.Request().hookPeriods;
    if (periods.empty()) return;
    m_hookAction = haIgnore;
    for (std::size_t i = m_hookPeriodIndex; i < periods.size(); ++i) {
        if (periods[i].start <= pts && pts <= periods[i].end) {
            m_hookPeriodIndex = i;
            m_hookAction = haContinue;
            return;
        }
    }
    if (periods.back().end < pts) SwitchHooksOff();
}

void TVideoPreprocessor::Process(const TInputStream& stream, AVFrame& picture)
{
    ++m_hookFrameNumber;
    const std::int64_t pts = stream.pts;
    if (!m_customHookActive && m_hooksInUse) DecideHookAction(pts);

    const bool deinterlace = m_run.Options().deinterlace;
    const bool hooksRun = m_hooksInUse && m_hookAction == haContinue;
    if (!deinterlace && !m_customHookActive && !hooksRun) return;

    // A picture of our own to change: the decoder's may be shared with its reference frames.
    if (!m_hookBuffer) m_hookBuffer = NewFrame();
    if (m_hookBuffer->width != picture.width || m_hookBuffer->height != picture.height ||
        m_hookBuffer->format != picture.format || m_hookBuffer->data[0] == nullptr) {
        av::av_frame_unref(m_hookBuffer.get());
        m_hookBuffer->format = picture.format;
        m_hookBuffer->width = picture.width;
        m_hookBuffer->height = picture.height;
        if (av::av_frame_get_buffer(m_hookBuffer.get(), 0) < 0) {
            av::av_frame_unref(m_hookBuffer.get());
            m_run.Log(kLevelError, "hook buf malloc error.");
            return;
        }
    }
    // An encoder may still hold the buffer from the previous picture.
    if (av::av_frame_make_writable(m_hookBuffer.get()) < 0) {
        m_run.Log(kLevelError, "hook buf malloc error.");
        return;
    }
    AVFrame& buffer = *m_hookBuffer;
    bool copied = false;
    if (deinterlace) {
        copied = Deinterlace(picture, buffer);
        if (!copied) m_run.Log(kLevelError, "Deinterlacing failed.");
    }
    if (!copied)
        av::av_image_copy(buffer.data, buffer.linesize, const_cast<const std::uint8_t**>(picture.data),
                          picture.linesize, static_cast<AVPixelFormat>(picture.format), picture.width, picture.height);

    if (m_customHookActive) {
        RunCustomHook(buffer, pts);
    } else if (m_hooksInUse && m_hookAction == haContinue) {
        THookPicture hookPicture{};
        for (int plane = 0; plane < 4; ++plane) {
            hookPicture.data[plane] = buffer.data[plane];
            hookPicture.linesize[plane] = buffer.linesize[plane];
        }
        m_run.Request().frameHooks.ProcessFrameHooks(hookPicture, buffer.format, buffer.width, buffer.height, pts);
    }

    // Every output now takes the processed picture.
    av::av_frame_copy_props(m_hookBuffer.get(), &picture);
    av::av_frame_unref(&picture);
    av::av_frame_ref(&picture, m_hookBuffer.get());
}

void TVideoPreprocessor::RunCustomHook(AVFrame& picture, std::int64_t pts)
{
    const bool converted = m_customHookConversion.ToBitmap(picture, m_customHookBitmap);
    bool stop = !converted;
    bool update = true;
    if (converted) {
        TBitmap24& bitmap = m_customHookBitmap;
        bitmap.LockCanvas();
        try {
            m_run.Host().CustomHook(bitmap, m_hookFrameNumber, pts, update, stop);
        } catch (const std::exception& error) {
            m_run.Log(kLevelError, std::string("Error occurs OnCustomHook: ") + error.what());
            update = false;
        }
        bitmap.UnlockCanvas();
        if (update && !m_customHookConversion.FromBitmap(bitmap, picture)) {
            m_run.Log(kLevelError, "Cannot initialize the fromRGB conversion context");
            stop = true;
        }
    }
    if (stop) {
        m_customHookActive = false;
        SwitchHooksOff();
    }
}

}  // namespace mirelk
