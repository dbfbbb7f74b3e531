#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

#include "platform/WindowFinder.h"

namespace quendal {

namespace {

// Window managers wrap client windows in frames, so the titled window may sit a
// few levels below the root; the frame (the root's child) gives the outer rectangle.
constexpr int kMaxSearchDepth = 3;

// A window that vanished between search and query must not end the program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

class X11WindowFinder final : public WindowFinder {
 public:
  ~X11WindowFinder() override {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  std::optional<std::uintptr_t> FindTopLevelWindow(const std::string& title) override {
    if (!Open()) return std::nullopt;
    const Window found = Search(DefaultRootWindow(display_), title, 0);
    if (found == 0) return std::nullopt;
    return static_cast<std::uintptr_t>(found);
  }

  std::optional<ScreenRect> GetOuterRect(std::uintptr_t handle) override {
    if (!Open()) return std::nullopt;
    const Window frame = TopLevelAncestor(static_cast<Window>(handle));
    if (frame == 0) return std::nullopt;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, frame, &attributes)) return std::nullopt;
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, frame, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    // The border lies outside the origin that XTranslateCoordinates reports.
    const int border = attributes.border_width;
    return ScreenRect{x - border, y - border, x + attributes.width + border,
                      y + attributes.height + border};
  }

 private:
  // A connection of its own, opened at the first search: most never track SmartSDR's
  // window, and a connection holds buffers and caches of its own.
  bool Open() {
    if (display_ != nullptr) return true;
    if (tried_) return false;
    tried_ = true;
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return false;
    XSetErrorHandler(IgnoreXErrors);
    net_wm_name_ = XInternAtom(display_, "_NET_WM_NAME", False);
    utf8_string_ = XInternAtom(display_, "UTF8_STRING", False);
    return true;
  }

  Window Search(Window parent, const std::string& title, int depth) {
    Window root = 0;
    Window parent_of = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, parent, &root, &parent_of, &children, &count)) return 0;
    std::vector<Window> list(children, children + count);
    if (children) XFree(children);
    // Top-most first, as a title search by the user would find it.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      if (TitleOf(*it) == title) return *it;
    }
    if (depth + 1 >= kMaxSearchDepth) return 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      if (const Window w = Search(*it, title, depth + 1)) return w;
    }
    return 0;
  }

  std::string TitleOf(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, net_wm_name_, 0, 1024, False, utf8_string_, &type,
                           &format, &items, &remaining, &data) == Success &&
        data != nullptr && format == 8) {
      title.assign(reinterpret_cast<const char*>(data), items);
    }
    if (data) XFree(data);
    if (!title.empty()) return title;
    char* name = nullptr;
    if (XFetchName(display_, window, &name) && name) {
      title = name;
      XFree(name);
    }
    return title;
  }

  Window TopLevelAncestor(Window window) {
    const Window root_window = DefaultRootWindow(display_);
    Window current = window;
    for (int guard = 0; guard < 64; ++guard) {
      Window root = 0;
      Window parent = 0;
      Window* children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(display_, current, &root, &parent, &children, &count)) return 0;
      if (children) XFree(children);
      if (parent == root_window || parent == 0) return current;
      current = parent;
    }
    return 0;
  }

  Display* display_ = nullptr;
  bool tried_ = false;
  Atom net_wm_name_ = 0;
  Atom utf8_string_ = 0;
};

}  // namespace

std::unique_ptr<WindowFinder> CreatePlatformWindowFinder() {
  return std::make_unique<X11WindowFinder>();
}

bool DesktopCompositorActive() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
  const Atom selection = XInternAtom(display, name.c_str(), False);
  const bool active = XGetSelectionOwner(display, selection) != 0;
  XCloseDisplay(display);
  return active;
}

}  // namespace quendal
