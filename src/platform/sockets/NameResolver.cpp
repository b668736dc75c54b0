#include "platform/sockets/NameResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace kelbrin::platform {

namespace {

template <typename Address>
SocketAddress Stored(const Address& address) {
  SocketAddress stored;
  std::memcpy(&stored.storage, &address, sizeof address);
  stored.length = sizeof address;
  return stored;
}

std::optional<SocketAddress> NumericAddress(const std::string& host, std::uint16_t port) {
  sockaddr_in v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    return Stored(v4);
  }
  sockaddr_in6 v6{};
  if (inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    return Stored(v6);
  }
  return std::nullopt;
}

// What the caller and the worker share; whichever of them lets go last frees it.
struct Lookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::vector<SocketAddress> addresses;
};

std::vector<SocketAddress> GetAddresses(const std::string& host, std::uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return {};
  std::vector<SocketAddress> addresses;
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addr == nullptr || entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress address;
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
    addresses.push_back(address);
  }
  freeaddrinfo(list);
  return addresses;
}

void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host, std::uint16_t port) {
  std::vector<SocketAddress> addresses;
  try {
    addresses = GetAddresses(host, port);
  } catch (...) {  // out of memory: no addresses, like any failed lookup
  }
  {
    std::lock_guard lock(lookup->mutex);
    lookup->addresses = std::move(addresses);
    lookup->done = true;
  }
  lookup->finished.notify_all();
}

// The process's resolver thread, started by the first name looked up and kept for the run: it
// sleeps until a lookup is handed to it, so an exchange pays for no thread of its own. Never
// destroyed: a lookup may still run at exit.
class KeptResolver {
 public:
  static KeptResolver& Shared() {
    static KeptResolver* const shared = new KeptResolver;
    return *shared;
  }

  // Hands the lookup to the thread; false while it still works on another (one whose caller
  // has given up on it, since callers take turns) or when no thread can be had.
  bool Offer(const std::shared_ptr<Lookup>& lookup, const std::string& host, std::uint16_t port) {
    {
      std::lock_guard lock(mutex_);
      if (job_ || busy_) return false;
      if (!started_) {
        try {
          std::thread([this] { Run(); }).detach();
        } catch (const std::system_error&) {
          return false;
        }
        started_ = true;
      }
      job_ = Job{lookup, host, port};
    }
    // Told with the lock let go, so the thread does not wake only to wait for it.
    wake_.notify_one();
    return true;
  }

 private:
  struct Job {
    std::shared_ptr<Lookup> lookup;
    std::string host;
    std::uint16_t port;
  };

  void Run() {
    pthread_setname_np(pthread_self(), kResolverThreadName);
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return job_.has_value(); });
      const Job job = std::move(*job_);
      job_.reset();
      busy_ = true;
      lock.unlock();
      RunLookup(job.lookup, job.host, job.port);
      lock.lock();
      busy_ = false;
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> job_;
  bool busy_ = false;
  bool started_ = false;
};

}  // namespace

std::vector<SocketAddress> ResolveHost(const std::string& host, std::uint16_t port,
                                       const IoBounds& bounds) {
  if (auto address = NumericAddress(host, port)) return {*address};
  if (bounds.Check() != IoBounds::Wait::Ready) return {};

  auto lookup = std::make_shared<Lookup>();
  if (!KeptResolver::Shared().Offer(lookup, host, port)) {
    // The kept thread is stuck on a slow look-up: this one runs beside it, on a thread of its own.
    try {
      std::thread([lookup, host, port] { RunLookup(lookup, host, port); }).detach();
    } catch (const std::system_error&) {  // no thread to be had: the exchange fails
      return {};
    }
  }
  std::unique_lock lock(lookup->mutex);
  while (!lookup->done) {
    if (bounds.Check() != IoBounds::Wait::Ready) return {};
    lookup->finished.wait_until(lock, bounds.SliceEnd());
  }
  return std::move(lookup->addresses);
}

}  // namespace kelbrin::platform
