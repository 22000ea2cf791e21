// What every decoded picture of a decoded video stream goes through before any output sees
// it: the picture count, the decision whether the hooks run, deinterlacing, the custom hook
// and the frame hook modules.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/av_headers.h"
#include "binding/bgr_conversion.h"
#include "binding/hooks/frame_hook_chain.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/frame_pool.h"
#include "engine/pipeline/run_request.h"

namespace mirelk {

struct TPreprocessContext {
    bool deinterlace = false;
    // Whether "vhook" options added hook modules, the modules, and the ranges of input time in
    // which they run (none: always).
    bool hooksInUse = false;
    const TFrameHookChain* frameHooks = nullptr;
    const std::vector<THookPeriod>* hookPeriods = nullptr;
    IRunHost* host = nullptr;
};

class TVideoPreprocessor {
public:
    explicit TVideoPreprocessor(const TPreprocessContext& context);
    // Processes the picture decoded at pts in place: afterwards it holds what every output is to use.
    void Process(AVFrame& picture, std::int64_t pts);
    int HookFrameNumber() const { return m_hookFrameNumber; }

private:
    void DecideHookAction(std::int64_t pts);
    void RunCustomHook(AVFrame& picture, std::int64_t pts);
    void SwitchHooksOff();

    TPreprocessContext m_context;
    IRunHost& m_host;
    int m_hookFrameNumber = 0;
    int m_hookAction = 0;  // THookAction
    std::size_t m_hookPeriodIndex = 0;
    bool m_hooksInUse = false;
    bool m_customHookActive = false;
    TPictureFramePool m_hookPool;
    TFramePtr m_hookBuffer;
    TBgrConversion m_customHookConversion;
    TBitmap24 m_customHookBitmap;
};

}  // namespace mirelk
