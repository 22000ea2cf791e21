#include "engine/pipeline/run_records.h"

#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/subtitle_output.h"
#include "engine/pipeline/video_filter_graph.h"
#include "engine/pipeline/video_output.h"

namespace mirelk {

TInputStream::TInputStream() = default;
TInputStream::~TInputStream() = default;
TInputStream::TInputStream(TInputStream&&) noexcept = default;
TInputStream& TInputStream::operator=(TInputStream&&) noexcept = default;

TOutputStream::TOutputStream() = default;
TOutputStream::~TOutputStream() = default;
TOutputStream::TOutputStream(TOutputStream&&) noexcept = default;
TOutputStream& TOutputStream::operator=(TOutputStream&&) noexcept = default;

}  // namespace mirelk
