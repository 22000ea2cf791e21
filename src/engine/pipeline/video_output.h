// Video output of one encoded stream.
#pragma once

#include "binding/av_headers.h"

namespace mirelk {

class TTranscodeRun;
struct TOutputStream;
struct TInputStream;

class TVideoOutput {
public:
    TVideoOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source);
    void BeforeEncoderOpens();
    void Open();
    void Process(AVFrame& decoded);
    void Drain();

private:
    TTranscodeRun& m_run;
    TOutputStream& m_output;
    TInputStream& m_source;
};

}  // namespace mirelk
