// Links the Windows build of the core and platform code and, when run on Windows (or
// under Wine), checks what only Windows can answer: the build number read back from
// this file's own version resource, and log lines ending in exactly CR LF.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "meters/LevelConversions.h"
#include "platform/FileVersion.h"
#include "platform/WindowFinder.h"
#include "support/TextLog.h"

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main() {
  Expect(quendal::ReadOwnFileBuildNumber() == QUENDAL_EXPECTED_BUILD,
         "build number from the version resource");

  const auto finder = quendal::CreatePlatformWindowFinder();
  Expect(!finder->FindTopLevelWindow("quendal check: no window has this title").has_value(),
         "no window found for an unknown title");

  std::int32_t plusDB = -1;
  Expect(quendal::DBMtoSUnits(-53, plusDB, 14200000) == 9.0 && plusDB == 20, "S9 + 20 dB");

  const auto log = std::filesystem::temp_directory_path() / "quendal-windows-check.log";
  std::filesystem::remove(log);
  quendal::TextLog text(log.string());
  text.SetEnabled(true);
  text.Log("line");
  const std::string written = ReadAll(log);
  Expect(written.size() == 23 + 6 + 2 && written.ends_with(": line\r\n"),
         "log line ends in one CR LF");
  std::filesystem::remove(log);

  return failures == 0 ? 0 : 1;
}
