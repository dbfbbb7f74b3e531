#include <windows.h>

#include "platform/WindowFinder.h"

namespace quendal {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

class Win32WindowFinder final : public WindowFinder {
 public:
  std::optional<std::uintptr_t> FindTopLevelWindow(const std::string& title) override {
    HWND window = FindWindowW(nullptr, Widen(title).c_str());
    if (window == nullptr) return std::nullopt;
    return reinterpret_cast<std::uintptr_t>(window);
  }

  std::optional<ScreenRect> GetOuterRect(std::uintptr_t handle) override {
    RECT rect;
    if (!GetWindowRect(reinterpret_cast<HWND>(handle), &rect)) return std::nullopt;
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
  }
};

}  // namespace

std::unique_ptr<WindowFinder> CreatePlatformWindowFinder() {
  return std::make_unique<Win32WindowFinder>();
}

bool DesktopCompositorActive() { return true; }

}  // namespace quendal
