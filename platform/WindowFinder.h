#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quendal {

// Outer rectangle of a top-level window (frame included), screen pixels.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Finds another program's top-level window by its exact title. Native handles
// travel as integers so that callers need no platform headers.
class WindowFinder {
 public:
  virtual ~WindowFinder() = default;
  virtual std::optional<std::uintptr_t> FindTopLevelWindow(const std::string& title) = 0;
  virtual std::optional<ScreenRect> GetOuterRect(std::uintptr_t window) = 0;
};

// X11 on Linux, Win32 on Windows, a finder that never finds anything elsewhere
// (or when no X display can be opened).
std::unique_ptr<WindowFinder> CreatePlatformWindowFinder();

// True when a compositing manager blends translucent windows with the desktop
// (on X11 it owns the _NET_WM_CM_S<screen> selection; Windows always composes).
bool DesktopCompositorActive();

}  // namespace quendal
