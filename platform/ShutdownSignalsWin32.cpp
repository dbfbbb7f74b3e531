#include <windows.h>

#include "platform/ShutdownSignals.h"

namespace quendal {

namespace {

// The time the close has before the handler returns; Windows ends the program then for a
// closed console, and allows 5 s at most.
constexpr DWORD kCloseGraceMs = 4500;

void (*console_request)() = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  console_request();
  // The main thread ends the process when its close is done, this thread with it.
  Sleep(kCloseGraceMs);
  return TRUE;
}

}  // namespace

int CatchShutdownSignals(void (*onConsoleRequest)()) {
  console_request = onConsoleRequest;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  return -1;
}

void TakeShutdownSignals(int) {}

}  // namespace quendal
