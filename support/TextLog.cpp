#include "support/TextLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "support/Utf8Path.h"

namespace quendal {

namespace {

std::FILE* OpenForAppending(const std::filesystem::path& file) {
#ifdef _WIN32
  return _wfopen(file.c_str(), L"ab");  // fopen would read the name in the ANSI code page
#else
  return std::fopen(file.c_str(), "ab");
#endif
}

}  // namespace

TextLog::TextLog(std::string path, const Clock& clock) : path_(std::move(path)), clock_(&clock) {}

void TextLog::Log(std::string_view message) {
  if (!enabled_) return;
  std::string line = FormatLogTimestamp(clock_->LocalNow());
  line += ": ";
  line += message;
  line += "\r\n";

  std::FILE* file = OpenForAppending(PathFromUtf8(path_));
  bool ok = file != nullptr;
  if (ok) {
    ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    ok = (std::fclose(file) == 0) && ok;
  }
  if (!ok && !failure_reported_) {
    failure_reported_ = true;
    std::fprintf(stderr, "Cannot write log file %s: %s (further log lines are dropped)\n",
                 path_.c_str(), std::strerror(errno));
  }
}

}  // namespace quendal
