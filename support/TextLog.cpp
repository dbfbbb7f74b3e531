#include "support/TextLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "support/Utf8Path.h"

namespace quendal {

namespace {

// Whether `bytes` more would take the open log past `limit`; an empty log takes any line.
bool WouldOverflow(std::FILE* log, std::size_t bytes, std::uintmax_t limit) {
  if (std::fseek(log, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(log);
  return size > 0 && static_cast<std::uintmax_t>(size) + bytes > limit;
}

}  // namespace

TextLog::TextLog(std::string path, const Clock& clock, std::uintmax_t limit)
    : path_(std::move(path)), clock_(&clock), limit_(limit) {}

bool TextLog::MoveAside() const {
  const std::filesystem::path log = PathFromUtf8(path_);
  std::filesystem::path previous = log;
  previous += ".1";
  std::error_code ec;
  std::filesystem::remove(previous, ec);
  std::filesystem::rename(log, previous, ec);
  // A log that cannot be moved (held open elsewhere) is started afresh rather than let grow.
  if (ec) std::filesystem::remove(log, ec);
  return !ec;
}

void TextLog::Log(std::string_view message) {
  if (!enabled_) return;
  std::string line = FormatLogTimestamp(clock_->LocalNow());
  line += ": ";
  line += message;
  line += "\r\n";

  std::FILE* file = OpenForAppending(PathFromUtf8(path_));
  if (file != nullptr && WouldOverflow(file, line.size(), limit_)) {
    std::fclose(file);
    file = MoveAside() ? OpenForAppending(PathFromUtf8(path_)) : nullptr;
  }
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
