#include "support/Utf8Path.h"

namespace quendal {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::FILE* OpenForAppending(const std::filesystem::path& file) {
#ifdef _WIN32
  return _wfopen(file.c_str(), L"ab");  // fopen would read the name in the ANSI code page
#else
  return std::fopen(file.c_str(), "ab");
#endif
}

}  // namespace quendal
