#pragma once

namespace quendal {

// The system asking the program to end: SIGTERM, SIGINT or SIGHUP (log-out, shutdown,
// Ctrl-C in a terminal); on Windows the console's Ctrl-C, Ctrl-Break, close, log-off and
// shutdown. The program answers with the same close as the user's, so that a session's
// settings survive it.

// Starts catching them; call once, on the main thread. On POSIX returns a descriptor that
// becomes readable when one arrives: the handler only writes a byte to it, which is safe in
// a signal handler, and a second signal of the same kind ends the program as before. On
// Windows returns -1: `onConsoleRequest` is called on the console's control thread, must
// only hand the request to the main thread, and the console then waits a few seconds for the
// program to end before it ends the program itself.
int CatchShutdownSignals(void (*onConsoleRequest)());

// Reads what the signals wrote to the descriptor, so that it stops being readable.
void TakeShutdownSignals(int descriptor);

}  // namespace quendal
