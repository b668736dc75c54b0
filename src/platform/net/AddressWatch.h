#pragma once

#include <functional>
#include <thread>

namespace kelbrin::platform {

// Listens to the kernel's routing messages (rtnetlink) for changes of the local addresses and of
// the default routes, IPv4 and IPv6, in the network namespace of the constructing thread. Its
// thread blocks until the kernel reports something, so an idle machine costs no wake-ups.
class AddressWatch {
 public:
  struct Change {
    enum class Kind {
      Address,       // an address of global scope came or went
      DefaultRoute,  // a default route of the main table came or went
      Lost,          // the kernel dropped messages: anything may have changed
    };
    Kind kind = Kind::Lost;
    bool added = false;  // came (true) or went (false); false for kLost
    int family = 0;      // AF_INET or AF_INET6; 0 for kLost
    int ifIndex = 0;     // the interface it belongs to; 0 when unknown
  };
  using Listener = std::function<void(const Change&)>;

  // Subscribes and starts the thread; `listener` runs on that thread, once per change. Throws
  // std::system_error when the socket cannot be opened.
  explicit AddressWatch(Listener listener);
  // Stops the thread and closes the socket.
  ~AddressWatch();
  AddressWatch(const AddressWatch&) = delete;
  AddressWatch& operator=(const AddressWatch&) = delete;

 private:
  void Run();
  // Reads what the socket holds without blocking; false once the socket has failed for good.
  bool Drain();

  Listener listener_;
  int socket_ = -1;
  int stopEvent_ = -1;  // eventfd: written once by the destructor
  std::thread thread_;  // last: starts once everything above is set up
};

}  // namespace kelbrin::platform
