// A stand-in for the radio's console program on Windows: a plain top-level window with the
// console's title, without a frame, at the place and size given.
// Usage: console-standin.exe <left> <top> <width> <height>
#include <windows.h>

#include <cstdlib>

namespace {

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  WNDCLASSW type{};
  type.lpfnWndProc = StandInProc;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  type.lpszClassName = L"ConsoleStandIn";
  RegisterClassW(&type);
  const HWND window = CreateWindowExW(0, type.lpszClassName, L"SmartSDR-Win", WS_POPUP | WS_VISIBLE,
                                      _wtoi(argv[1]), _wtoi(argv[2]), _wtoi(argv[3]),
                                      _wtoi(argv[4]), nullptr, nullptr, type.hInstance, nullptr);
  if (window == nullptr) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
