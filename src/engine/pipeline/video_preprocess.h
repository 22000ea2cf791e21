// What every decoded picture of a decoded video stream goes through before any output sees
// it: the picture count, the decision whether the hooks run, deinterlacing, the custom hook
// and the frame hook modules.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "binding/bgr_conversion.h"

namespace mirelk {

class TTranscodeRun;
struct TInputStream;

class TVideoPreprocessor {
public:
    explicit TVideoPreprocessor(TTranscodeRun& run);
    // Processes the picture in place: afterwards it holds what every output is to use.
    void Process(const TInputStream& stream, AVFrame& picture);
    int HookFrameNumber() const { return m_hookFrameNumber; }

private:
    void DecideHookAction(std::int64_t pts);
    void RunCustomHook(AVFrame& picture, std::int64_t pts);
    void SwitchHooksOff();

    TTranscodeRun& m_run;
    int m_hookFrameNumber = 0;
    int m_hookAction = 0;  // THookAction
    std::size_t m_hookPeriodIndex = 0;
    bool m_hooksInUse = false;
    bool m_customHookActive = false;
    TFramePtr m_hookBuffer;
    TBgrConversion m_customHookConversion;
    TBitmap24 m_customHookBitmap;
};

}  // namespace mirelk
