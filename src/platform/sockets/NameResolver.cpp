#include "platform/sockets/NameResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

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

}  // namespace

std::vector<SocketAddress> ResolveHost(const std::string& host, std::uint16_t port,
                                       const IoBounds& bounds) {
  if (auto address = NumericAddress(host, port)) return {*address};
  if (bounds.Check() != IoBounds::Wait::Ready) return {};

  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host, port] { RunLookup(lookup, host, port); }).detach();
  } catch (const std::system_error&) {  // no thread to be had: the exchange fails
    return {};
  }
  std::unique_lock lock(lookup->mutex);
  while (!lookup->done) {
    if (bounds.Check() != IoBounds::Wait::Ready) return {};
    lookup->finished.wait_until(lock, bounds.SliceEnd());
  }
  return std::move(lookup->addresses);
}

}  // namespace kelbrin::platform
