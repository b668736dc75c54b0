#include "app/entry/InitReaper.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelbrin::app {

std::optional<int> BecomeInitWhenPid1() {
  if (::getpid() != 1) return std::nullopt;
  sigset_t all;
  sigset_t previous;
  ::sigfillset(&all);
  ::sigprocmask(SIG_SETMASK, &all, &previous);
  const pid_t child = ::fork();
  if (child <= 0) {
    // The child, or no child: the program runs here (unsupervised when the fork failed).
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return std::nullopt;
  }
  return SuperviseChild(child);
}

int SuperviseChild(pid_t child) {
  sigset_t all;
  ::sigfillset(&all);
  for (;;) {
    const int signo = ::sigwaitinfo(&all, nullptr);
    if (signo < 0) continue;  // EINTR
    if (signo != SIGCHLD) {
      ::kill(child, signo);
      continue;
    }
    // One SIGCHLD may stand for several ended children.
    int status = 0;
    for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG)) > 0;) {
      if (ended != child) continue;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }
}

}  // namespace kelbrin::app
