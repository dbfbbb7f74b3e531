#include "platform/WindowFinder.h"

namespace quendal {

namespace {
class NullWindowFinder final : public WindowFinder {
 public:
  std::optional<std::uintptr_t> FindTopLevelWindow(const std::string&) override {
    return std::nullopt;
  }
  std::optional<ScreenRect> GetOuterRect(std::uintptr_t) override { return std::nullopt; }
};
}  // namespace

std::unique_ptr<WindowFinder> CreateNullWindowFinder() {
  return std::make_unique<NullWindowFinder>();
}

#if !defined(QUENDAL_PLATFORM_X11) && !defined(_WIN32)
std::unique_ptr<WindowFinder> CreatePlatformWindowFinder() { return CreateNullWindowFinder(); }
bool DesktopCompositorActive() { return false; }
#endif

}  // namespace quendal
