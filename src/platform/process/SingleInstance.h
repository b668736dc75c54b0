#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace kelbrin::platform {

// One desktop instance per user. The first instance holds a lock file and listens on a local
// (Unix) socket beside it, both named after the instance name; a later process connects, sends
// "show" and ends, and the first one brings its window to the front. The lock is an flock, so it
// vanishes with the process that held it and a stale socket file is replaced by the next owner.
// The lock is taken before the socket listens: a process that finds the lock taken while the
// holder is still starting waits for the socket rather than giving up.
class SingleInstance {
 public:
  // `folder` holds "<name>.lock" and "<name>.socket"; RuntimeFolder() when empty.
  explicit SingleInstance(std::string name, std::filesystem::path folder = {});
  // Closes the socket and, as owner, removes the socket file; the lock ends with its descriptor.
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // The per-user folder of the markers: $XDG_RUNTIME_DIR when set, else /tmp/kelbrin-client-UID
  // (created 0700; refused unless it is this user's own folder and no one else may write in it).
  static std::filesystem::path RuntimeFolder();

  // Asks a running instance to show itself: connects, sends "show" and waits at most `timeout`
  // for its "ok". True when the running instance confirmed.
  bool HandOver(std::chrono::milliseconds timeout) const;

  // Takes the lock and starts listening. False when another process holds the lock. Throws
  // std::system_error when the folder, the lock or the socket cannot be set up.
  bool Acquire();

  enum class Start { Owner, HandedOver, NoAnswer };
  // Acquire, and when another process holds the lock: waits until that one listens and hands
  // over to it (HandedOver), or takes its place if it ends first (Owner). NoAnswer when the
  // holder neither answers nor ends within `bound`. Throws as Acquire does.
  Start AcquireOrHandOver(std::chrono::milliseconds bound);

  // Listening socket, for the caller's event loop to watch for readability (-1 before Acquire).
  int ListenFd() const { return listenFd_; }

  // Serves the waiting connections without blocking: a peer that sends "show" gets `onShow`
  // called (on the caller's thread) and an "ok" back. A peer gets at most `timeout` to send its
  // line, so a stuck one cannot hold up the caller for long.
  void ServePending(const std::function<void()>& onShow,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

  std::filesystem::path LockPath() const;
  std::filesystem::path SocketPath() const;

  // Acquire's two steps. Takes the lock; false when another process holds it.
  bool Lock();
  // Replaces whatever socket file is left and listens on it (the lock held).
  void Listen();

 private:
  std::string name_;
  std::filesystem::path folder_;
  int lockFd_ = -1;
  int listenFd_ = -1;
};

}  // namespace kelbrin::platform
