#pragma once

#include <sys/types.h>

#include <optional>

namespace kelbrin::app {

// A container starts the program as its PID 1. Orphaned processes (what an address command
// left running) become PID 1's children then, and PID 1 gets no default action for SIGTERM.
// The client reaps only the children it started, by their pids (a wait for any child would
// take their statuses from it), so PID 1 stays a small init instead: it forks, and the program
// goes on in the child.
//
// When this process is PID 1: forks; returns nothing in the child (which runs the program with
// the signal mask it had) and, in PID 1, the child's exit status once it ended (SuperviseChild).
// Otherwise, or when the fork fails, returns nothing at once.
std::optional<int> BecomeInitWhenPid1();

// PID 1's loop, with every signal blocked by the caller: forwards each signal but SIGCHLD to
// `child`, reaps every child that ends, and returns `child`'s exit status when it ends (128 +
// the signal when a signal ended it).
int SuperviseChild(pid_t child);

}  // namespace kelbrin::app
