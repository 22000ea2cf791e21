#include "engine/pipeline/run_records.h"

#include "engine/pipeline/output_stage.h"

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
