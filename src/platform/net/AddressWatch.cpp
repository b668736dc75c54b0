#include "platform/net/AddressWatch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <utility>

namespace kelbrin::platform {

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// The table of a route message: the attribute when present (tables above 255), else the header.
std::uint32_t RouteTable(const nlmsghdr* header, const rtmsg* route) {
  int length = static_cast<int>(RTM_PAYLOAD(header));
  for (const rtattr* attr = RTM_RTA(route); RTA_OK(attr, length); attr = RTA_NEXT(attr, length)) {
    if (attr->rta_type == RTA_TABLE) return *static_cast<const std::uint32_t*>(RTA_DATA(attr));
  }
  return route->rtm_table;
}

int RouteInterface(const nlmsghdr* header, const rtmsg* route) {
  int length = static_cast<int>(RTM_PAYLOAD(header));
  for (const rtattr* attr = RTM_RTA(route); RTA_OK(attr, length); attr = RTA_NEXT(attr, length)) {
    if (attr->rta_type == RTA_OIF) return *static_cast<const int*>(RTA_DATA(attr));
  }
  return 0;
}

}  // namespace

AddressWatch::AddressWatch(Listener listener) : listener_(std::move(listener)) {
  socket_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
  if (socket_ < 0) ThrowErrno("netlink socket");
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
  if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int error = errno;
    ::close(socket_);
    throw std::system_error(error, std::generic_category(), "netlink bind");
  }
  stopEvent_ = ::eventfd(0, EFD_CLOEXEC);
  if (stopEvent_ < 0) {
    const int error = errno;
    ::close(socket_);
    throw std::system_error(error, std::generic_category(), "eventfd");
  }
  thread_ = std::thread([this] { Run(); });
}

AddressWatch::~AddressWatch() {
  const std::uint64_t one = 1;
  // An eventfd write of 1 cannot fail short of a counter overflow; the thread then sees it.
  [[maybe_unused]] const auto written = ::write(stopEvent_, &one, sizeof one);
  thread_.join();
  ::close(stopEvent_);
  ::close(socket_);
}

void AddressWatch::Run() {
  std::array<pollfd, 2> fds{{{socket_, POLLIN, 0}, {stopEvent_, POLLIN, 0}}};
  for (;;) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents != 0 && !Drain()) {
      // Without its socket the watch has nothing more to say; wait for the stop.
      fds[0].fd = -1;
    }
  }
}

bool AddressWatch::Drain() {
  alignas(nlmsghdr) std::array<char, 16384> buffer;
  for (;;) {
    const ssize_t received = ::recv(socket_, buffer.data(), buffer.size(), 0);
    if (received < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      if (errno == EINTR) continue;
      if (errno == ENOBUFS) {
        // The kernel's queue overflowed: changes were lost, so report that something changed.
        listener_(Change{});
        continue;
      }
      return false;
    }
    int length = static_cast<int>(received);
    for (auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data()); NLMSG_OK(header, length);
         header = NLMSG_NEXT(header, length)) {
      switch (header->nlmsg_type) {
        case RTM_NEWADDR:
        case RTM_DELADDR: {
          const auto* address = static_cast<const ifaddrmsg*>(NLMSG_DATA(header));
          // Host and link scopes never carry the public address.
          if (address->ifa_scope != RT_SCOPE_UNIVERSE) break;
          listener_(Change{Change::Kind::Address, header->nlmsg_type == RTM_NEWADDR,
                           address->ifa_family, static_cast<int>(address->ifa_index)});
          break;
        }
        case RTM_NEWROUTE:
        case RTM_DELROUTE: {
          const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
          if (route->rtm_dst_len != 0 || RouteTable(header, route) != RT_TABLE_MAIN) break;
          listener_(Change{Change::Kind::DefaultRoute, header->nlmsg_type == RTM_NEWROUTE,
                           route->rtm_family, RouteInterface(header, route)});
          break;
        }
        default:
          break;
      }
    }
  }
}

}  // namespace kelbrin::platform
