#include "tests/fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace quendal::fuzz {

TextLog& NullLog(std::size_t input_size) {
  static TextLog log("/dev/null");
  log.SetEnabled(input_size % 8 == 0);
  return log;
}

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string_view()
                   : std::string_view(reinterpret_cast<const char*>(data), size);
}

const std::string& ScratchFile(std::string_view name) {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "quendal-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot create a scratch directory");
    return std::filesystem::path(pattern);
  }();
  static std::map<std::string, std::string, std::less<>> paths;
  auto it = paths.find(name);
  if (it == paths.end()) it = paths.emplace(std::string(name), (dir / name).string()).first;
  return it->second;
}

void WriteScratchFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) Fail("cannot write " + path);
  const bool ok = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !ok) Fail("cannot write " + path);
}

void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz invariant failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace quendal::fuzz
