#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TextLog.h"
#include "tests/support/FakeClock.h"

namespace quendal::testing {

// A log in a private temporary file, read back as its messages without stamps.
class LogFile {
 public:
  explicit LogFile(const std::string& name)
      : path_(std::filesystem::temp_directory_path() /
              ("meters_" + std::to_string(::getpid()) + "_" + name + ".log")),
        log_(path_.string(), clock_) {
    std::filesystem::remove(path_);
  }
  ~LogFile() { std::filesystem::remove(path_); }

  TextLog& Log() { return log_; }
  bool Exists() const { return std::filesystem::exists(path_); }

  std::vector<std::string> Messages() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::vector<std::string> messages;
    const std::string stamp = FormatLogTimestamp(clock_.local) + ": ";
    std::string text = s.str();
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (line.rfind(stamp, 0) == 0) line.erase(0, stamp.size());
      messages.push_back(line);
      start = end + 2;
    }
    return messages;
  }

 private:
  FakeClock clock_;
  std::filesystem::path path_;
  TextLog log_;
};

}  // namespace quendal::testing
