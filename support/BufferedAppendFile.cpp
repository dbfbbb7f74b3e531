#include "support/BufferedAppendFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "support/Utf8Path.h"

namespace quendal {

namespace {

constexpr const char* kLineEnd = "\r\n";

// Appends text; the header first when the file holds nothing yet. Returns errno, 0 on success.
int Append(const std::string& path, const std::string& header, const std::string& text) {
  std::FILE* file = OpenForAppending(PathFromUtf8(path));
  if (file == nullptr) return errno != 0 ? errno : EIO;
  std::string all;
  if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == 0) all = header + kLineEnd;
  all += text;
  const bool written = std::fwrite(all.data(), 1, all.size(), file) == all.size();
  const int error = written ? 0 : (errno != 0 ? errno : EIO);
  if (std::fclose(file) != 0 && error == 0) return errno != 0 ? errno : EIO;
  return error;
}

}  // namespace

BufferedAppendFile::BufferedAppendFile(std::string PathUtf8, std::string Header,
                                       std::function<void(const std::string&)> Report)
    : path_(std::move(PathUtf8)), header_(std::move(Header)), report_(std::move(Report)) {}

BufferedAppendFile::~BufferedAppendFile() { Flush(); }

void BufferedAppendFile::Add(const std::string& Line) {
  held_ += Line;
  held_ += kLineEnd;
}

void BufferedAppendFile::FlushIfDue(std::chrono::steady_clock::time_point Now) {
  if (flushed_once_ && Now - last_flush_ < kFlushEvery) return;
  flushed_once_ = true;
  last_flush_ = Now;
  Flush();
}

void BufferedAppendFile::Flush() {
  if (held_.empty()) return;
  errno = 0;
  const int error = Append(path_, header_, held_);
  held_.clear();
  if (error == 0 || failure_reported_) return;
  failure_reported_ = true;
  if (report_) report_(path_ + " cannot be written (" + std::strerror(error) + ")");
}

}  // namespace quendal
