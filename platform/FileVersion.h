#pragma once

#include <cstdint>

namespace quendal {

// The fourth number of the running program file's version resource (file version
// 2.4.1.36 gives 36), or -1 when the file carries none. Only Windows programs carry
// one; elsewhere this is always -1.
std::int32_t ReadOwnFileBuildNumber();

}  // namespace quendal
