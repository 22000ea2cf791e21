#include "component/thread_id.h"

#include <unistd.h>

namespace mirelk {

// Asked each time rather than kept per thread: a kept value would be wrong in a forked child.
std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::gettid()); }

}  // namespace mirelk
