// Thread ids as the rest of the program sees them: the kernel's id of a thread, which names the
// thread in log routing and is the handle for setting its priority.
#pragma once

#include <cstdint>

namespace mirelk {

std::uint32_t CurrentThreadId();

}  // namespace mirelk
