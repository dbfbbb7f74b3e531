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

// A private temporary folder, removed with everything in it.
class TempDir {
 public:
  explicit TempDir(const std::string& name)
      : path_(std::filesystem::temp_directory_path() /
              ("quendal_" + std::to_string(::getpid()) + "_" + name)) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// An enabled log in a temporary folder, read back as its messages without stamps.
class TestLog {
 public:
  explicit TestLog(const std::string& name, bool enabled = true)
      : dir_(name + "_log"), log_(dir_.File("application.log"), clock_) {
    log_.SetEnabled(enabled);
  }

  TextLog& Log() { return log_; }
  bool Exists() const { return std::filesystem::exists(log_.Path()); }

  std::vector<std::string> Messages() const {
    const std::string text = ReadFile(log_.Path());
    const std::string stamp = FormatLogTimestamp(clock_.local) + ": ";
    std::vector<std::string> messages;
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
  TempDir dir_;
  FakeClock clock_;
  TextLog log_;
};

}  // namespace quendal::testing
