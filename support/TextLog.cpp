#include "support/TextLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace quendal {

TextLog::TextLog(std::string path, const Clock& clock) : path_(std::move(path)), clock_(&clock) {}

void TextLog::Log(std::string_view message) {
  if (!enabled_) return;
  std::string line = FormatLogTimestamp(clock_->LocalNow());
  line += ": ";
  line += message;
  line += "\r\n";

  std::FILE* file = std::fopen(path_.c_str(), "ab");
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
