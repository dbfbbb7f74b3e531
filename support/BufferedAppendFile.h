#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace quendal {

// Lines appended to a file that the meter writes beside its work: held in memory and
// written at most once every FlushEvery, so that a slow disk never holds up the needle.
// An existing file is appended to; a new or empty one gets Header first. A failed write
// is reported once through Report and its lines are dropped, so memory stays bounded.
class BufferedAppendFile {
 public:
  static constexpr std::chrono::milliseconds kFlushEvery{1000};

  BufferedAppendFile(std::string PathUtf8, std::string Header,
                     std::function<void(const std::string&)> Report);
  // Writes what is held.
  ~BufferedAppendFile();
  BufferedAppendFile(const BufferedAppendFile&) = delete;
  BufferedAppendFile& operator=(const BufferedAppendFile&) = delete;

  void Add(const std::string& Line);
  // Writes what is held once kFlushEvery has passed since the last write.
  void FlushIfDue(std::chrono::steady_clock::time_point Now);
  void Flush();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string header_;
  std::function<void(const std::string&)> report_;
  std::string held_;
  std::chrono::steady_clock::time_point last_flush_{};
  bool flushed_once_ = false;
  bool failure_reported_ = false;
};

}  // namespace quendal
