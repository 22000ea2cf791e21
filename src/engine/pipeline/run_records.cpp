#include "engine/pipeline/run_records.h"

#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/subtitle_output.h"
#include "engine/pipeline/video_output.h"

namespace mirelk {

TOutputStream::TOutputStream() = default;
TOutputStream::~TOutputStream() = default;
TOutputStream::TOutputStream(TOutputStream&&) noexcept = default;
TOutputStream& TOutputStream::operator=(TOutputStream&&) noexcept = default;

}  // namespace mirelk
