#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

#include "platform/ShutdownSignals.h"

namespace quendal {

namespace {

int self_pipe[2] = {-1, -1};

extern "C" void OnShutdownSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a request: losing this byte loses nothing.
  [[maybe_unused]] const ssize_t written = write(self_pipe[1], &byte, 1);
  errno = saved;
}

bool MakeSelfPipe() {
  if (pipe(self_pipe) != 0) return false;
  for (const int end : self_pipe) {
    fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
    fcntl(end, F_SETFD, FD_CLOEXEC);
  }
  return true;
}

}  // namespace

int CatchShutdownSignals(void (*)()) {
  if (self_pipe[0] < 0 && !MakeSelfPipe()) return -1;
  struct sigaction action = {};
  action.sa_handler = OnShutdownSignal;
  sigemptyset(&action.sa_mask);
  // Once caught, the signal ends the program again: a close that hangs is not a trap.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  return self_pipe[0];
}

void TakeShutdownSignals(int descriptor) {
  char bytes[16];
  while (read(descriptor, bytes, sizeof bytes) > 0) {
  }
}

}  // namespace quendal
