#include "platform/FileVersion.h"

namespace quendal {

#if !defined(_WIN32)
std::int32_t ReadOwnFileBuildNumber() { return -1; }
#endif

}  // namespace quendal
