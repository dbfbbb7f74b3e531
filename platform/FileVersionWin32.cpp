#include <windows.h>

#include <string>
#include <vector>

#include "platform/FileVersion.h"

namespace quendal {

namespace {

// Long paths need more than MAX_PATH; the limit of a Windows path is 32767 characters.
std::wstring OwnProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  while (path.size() <= 32768) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
  return {};
}

}  // namespace

std::int32_t ReadOwnFileBuildNumber() {
  const std::wstring path = OwnProgramPath();
  if (path.empty()) return -1;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return -1;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return -1;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &value, &length) || value == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return -1;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
  return static_cast<std::int32_t>(LOWORD(info->dwFileVersionLS));
}

}  // namespace quendal
