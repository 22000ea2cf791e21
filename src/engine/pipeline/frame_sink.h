// Where decoded (and pre-processed) pictures and blocks of sound go: the encoding stages.
#pragma once

#include <cstdint>

#include "binding/av_headers.h"

namespace mirelk {

class IFrameSink {
public:
    // One picture or block with its time in microseconds of run time.
    virtual void Process(const AVFrame& frame, std::int64_t pts) = 0;
    // End of the input: what the sink still holds goes on.
    virtual void Drain() = 0;

protected:
    ~IFrameSink() = default;
};

}  // namespace mirelk
