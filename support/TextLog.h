#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "support/Clock.h"

namespace quendal {

// A plain-text log: one stamped line per call, the file opened for appending
// and closed again every time, nothing written while switched off. A file that
// cannot be written never disturbs the caller: the failure is reported once on
// standard error and the line is dropped. A log left on for days must not fill the
// disk: a line that would take the file past `limit` bytes first moves it to
// "<path>.1", replacing the one before.
class TextLog {
 public:
  static constexpr std::uintmax_t kDefaultLimit = std::uintmax_t{10} * 1024 * 1024;

  explicit TextLog(std::string path, const Clock& clock = SystemClock::Instance(),
                   std::uintmax_t limit = kDefaultLimit);

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }
  const std::string& Path() const { return path_; }

  // Writes "<stamp>: <message>" CR LF. Line breaks inside the message are kept.
  void Log(std::string_view message);
  // Builds the text only when the log is on: most lines cost nothing otherwise.
  template <typename BuildText>
  requires std::is_invocable_r_v<std::string, BuildText&>
  void Log(BuildText&& build) {
    if (enabled_) Log(std::string_view(build()));
  }

 private:
  // Moves a full log aside; false when it stays where it is.
  bool MoveAside() const;

  std::string path_;
  const Clock* clock_;
  std::uintmax_t limit_;
  bool enabled_ = false;
  bool failure_reported_ = false;
};

}  // namespace quendal
