#include "engine/pipeline/video_preprocess.h"

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "engine/pipeline/deinterlace.h"

namespace mirelk {

TVideoPreprocessor::TVideoPreprocessor(const TPreprocessContext& context)
    : m_context(context), m_host(*context.host), m_hookAction(haContinue), m_hooksInUse(context.hooksInUse),
      m_customHookActive(context.host->HasCustomHook())
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
        decided = m_host.DecideHook(pts, action);
    } catch (const std::exception& error) {
        decided = true;
        m_host.Log(kLevelError, error.what());
    }
    if (decided) {
        m_hookAction = action;
        if (action == haStop) SwitchHooksOff();
        return;
    }
    const std::vector<THookPeriod>& periods = *m_context.hookPeriods;
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

void TVideoPreprocessor::Process(AVFrame& picture, std::int64_t pts)
{
    ++m_hookFrameNumber;
    if (!m_customHookActive && m_hooksInUse) DecideHookAction(pts);

    const bool deinterlace = m_context.deinterlace;
    const bool hooksRun = m_hooksInUse && m_hookAction == haContinue;
    if (!deinterlace && !m_customHookActive && !hooksRun) return;

    // A picture of our own to change: the decoder's may be shared with its reference frames,
    // and an encoder may still hold the buffer of the previous picture.
    if (!m_hookBuffer) m_hookBuffer = NewFrame();
    if (!m_hookPool.Take(m_hookBuffer.get(), static_cast<AVPixelFormat>(picture.format), picture.width,
                         picture.height)) {
        m_host.Log(kLevelError, "hook buf malloc error.");
        return;
    }
    AVFrame& buffer = *m_hookBuffer;
    bool copied = false;
    if (deinterlace) {
        copied = Deinterlace(picture, buffer);
        if (!copied) m_host.Log(kLevelError, "Deinterlacing failed.");
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
        m_context.frameHooks->ProcessFrameHooks(hookPicture, buffer.format, buffer.width, buffer.height, pts);
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
            m_host.CustomHook(bitmap, m_hookFrameNumber, pts, update, stop);
        } catch (const std::exception& error) {
            m_host.Log(kLevelError, std::string("Error occurs OnCustomHook: ") + error.what());
            update = false;
        }
        bitmap.UnlockCanvas();
        if (update && !m_customHookConversion.FromBitmap(bitmap, picture)) {
            m_host.Log(kLevelError, "Cannot initialize the fromRGB conversion context");
            stop = true;
        }
    }
    if (stop) {
        m_customHookActive = false;
        SwitchHooksOff();
    }
}

}  // namespace mirelk
