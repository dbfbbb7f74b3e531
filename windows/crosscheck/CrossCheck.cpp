// Links the Windows build of the core and platform code and, when run on Windows (or
// under Wine), checks what only this program can answer: the build number read back
// from its own version resource. Everything else is in the unit tests.
#include <cstdio>

#include "platform/FileVersion.h"

int main() {
  const int build = quendal::ReadOwnFileBuildNumber();
  const bool ok = build == QUENDAL_EXPECTED_BUILD;
  std::printf("%s: build number %d from the version resource\n", ok ? "ok" : "FAILED", build);
  return ok ? 0 : 1;
}
