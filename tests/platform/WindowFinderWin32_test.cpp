#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/WindowFinder.h"

namespace quendal {
namespace {

// A hidden top-level window of this process, destroyed with the object.
class TestWindow {
 public:
  TestWindow(const wchar_t* title, const ScreenRect& r)
      : handle_(CreateWindowExW(0, WindowClass(), title, WS_OVERLAPPEDWINDOW, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
  ~TestWindow() { Destroy(); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(handle_); }
  void Destroy() {
    if (handle_ != nullptr) DestroyWindow(handle_);
    handle_ = nullptr;
  }

 private:
  static const wchar_t* WindowClass() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QuendalTestWindow";
      return RegisterClassW(&wc);
    }();
    return reinterpret_cast<const wchar_t*>(static_cast<std::uintptr_t>(atom));
  }

  HWND handle_;
};

TEST(Win32WindowFinderTest, FindsWindowByExactTitleAndReadsItsOuterRect) {
  struct Case {
    const wchar_t* wideTitle;
    std::string title;  // UTF-8, as the finder's callers pass it
    ScreenRect rect;
  };
  const Case cases[] = {
      {L"SmartSDR-Win", "SmartSDR-Win", {120, 80, 760, 440}},
      {L"Z\u00e4hler \u2013 SmartSDR", "Z\xC3\xA4hler \xE2\x80\x93 SmartSDR", {-20, 0, 300, 200}},
  };
  const auto finder = CreatePlatformWindowFinder();
  for (const Case& c : cases) {
    TestWindow window(c.wideTitle, c.rect);
    ASSERT_NE(window.Handle(), 0u) << "CreateWindowExW failed: " << GetLastError();

    EXPECT_EQ(finder->FindTopLevelWindow(c.title), window.Handle()) << c.title;
    EXPECT_FALSE(finder->FindTopLevelWindow(c.title.substr(0, 8)).has_value()) << c.title;
    const std::optional<ScreenRect> rect = finder->GetOuterRect(window.Handle());
    ASSERT_TRUE(rect.has_value()) << c.title;
    EXPECT_EQ(rect->left, c.rect.left) << c.title;
    EXPECT_EQ(rect->top, c.rect.top) << c.title;
    EXPECT_EQ(rect->right, c.rect.right) << c.title;
    EXPECT_EQ(rect->bottom, c.rect.bottom) << c.title;

    const std::uintptr_t gone = window.Handle();
    window.Destroy();
    EXPECT_FALSE(finder->FindTopLevelWindow(c.title).has_value()) << c.title;
    EXPECT_FALSE(finder->GetOuterRect(gone).has_value()) << c.title;
  }
}

}  // namespace
}  // namespace quendal
