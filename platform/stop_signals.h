// Stop requests from outside the program: SIGINT (Ctrl+C) and SIGTERM.
//
// The handler only raises a lock-free atomic flag (safe inside a signal
// handler); the frame loop reads it as it reads the Escape key, so a stopped
// run leaves its loop and shuts down normally, on every renderer, with or
// without a window. Each handler is installed with SA_RESETHAND: a second
// signal of the same kind, sent while a run does not reach its loop's end (a
// script that never returns), takes the default action and ends the process.
//
// SDL's event subsystem installs handlers of its own for both signals, which
// only queue a quit event for a pump that a headless run never has. It puts
// them only over the default action, and on quitting puts the default back
// only over its own: installed before SDL starts or after, ours stay.
#pragma once

// Installs the handlers and clears the flag; false when the system refuses.
bool OsInstallStopSignals();
// Puts back the handlers the install found and clears the flag (tests).
void OsRemoveStopSignals();
// True once SIGINT or SIGTERM arrived after the install.
bool OsStopRequested();
