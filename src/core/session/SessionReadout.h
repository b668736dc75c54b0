#pragma once

#include <functional>

#include "session/SessionSnapshots.h"
#include "session/SessionView.h"

namespace kelbrin::session {

// What a window reads of the session: the view state with its change notification, the session
// globals and the account snapshots.
class SessionReadout {
 public:
  virtual ~SessionReadout() = default;
  // Controller's thread: the state and its one observer, called after every change.
  virtual const SessionView& View() const = 0;
  virtual void SetViewObserver(std::function<void(const SessionView&)> observer) = 0;
  // Thread-safe.
  virtual int Mark() const = 0;
  virtual bool NetReachable() const = 0;
  virtual const SessionSnapshots& Snapshots() const = 0;
};

}  // namespace kelbrin::session
