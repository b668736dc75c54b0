#include "platform/net/NetTables.h"

#include <libmnl/libmnl.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <net/if_arp.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

namespace kelbrin::platform {
namespace {

constexpr std::size_t kDumpBufferSize = 32768;

using MessageHandler = std::function<void(const nlmsghdr*)>;

struct SocketCloser {
  void operator()(mnl_socket* socket) const { mnl_socket_close(socket); }
};

int RunCallback(const nlmsghdr* message, void* data) {
  (*static_cast<MessageHandler*>(data))(message);
  return MNL_CB_OK;
}

// One dump request of `type` for `family`; every answer message goes to `handler`.
int Dump(std::uint16_t type, std::size_t headerSize, const MessageHandler& handler) {
  std::unique_ptr<mnl_socket, SocketCloser> socket(mnl_socket_open(NETLINK_ROUTE));
  if (!socket) return errno;
  if (mnl_socket_bind(socket.get(), 0, MNL_SOCKET_AUTOPID) < 0) return errno;

  std::vector<char> buffer(kDumpBufferSize);
  nlmsghdr* request = mnl_nlmsg_put_header(buffer.data());
  request->nlmsg_type = type;
  request->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  const auto sequence = static_cast<unsigned>(std::time(nullptr));
  request->nlmsg_seq = sequence;
  // ifinfomsg, ifaddrmsg and rtmsg all begin with their address family byte.
  auto* family = static_cast<unsigned char*>(mnl_nlmsg_put_extra_header(request, headerSize));
  *family = type == RTM_GETLINK ? AF_UNSPEC : AF_INET;
  if (mnl_socket_sendto(socket.get(), request, request->nlmsg_len) < 0) return errno;

  const unsigned portId = mnl_socket_get_portid(socket.get());
  for (;;) {
    const ssize_t received = mnl_socket_recvfrom(socket.get(), buffer.data(), buffer.size());
    if (received < 0) return errno;
    const int result = mnl_cb_run(buffer.data(), static_cast<std::size_t>(received), sequence,
                                  portId, RunCallback, const_cast<MessageHandler*>(&handler));
    if (result == MNL_CB_STOP) return 0;
    if (result < 0) return errno != 0 ? errno : EIO;
  }
}

int StoreAttribute(const nlattr* attribute, void* data) {
  auto& table = *static_cast<std::vector<const nlattr*>*>(data);
  const std::uint16_t type = mnl_attr_get_type(attribute);
  if (type < table.size()) table[type] = attribute;
  return MNL_CB_OK;
}

// The message's attributes by type (null where absent), up to `maxType`.
std::vector<const nlattr*> Attributes(const nlmsghdr* message, std::size_t headerSize,
                                      std::size_t maxType) {
  std::vector<const nlattr*> table(maxType + 1, nullptr);
  mnl_attr_parse(message, static_cast<unsigned>(headerSize), StoreAttribute, &table);
  return table;
}

bool IsU32(const nlattr* attribute) {
  return attribute != nullptr && mnl_attr_get_payload_len(attribute) == sizeof(std::uint32_t);
}

std::uint32_t MaskOfPrefix(unsigned prefixLength) {
  const std::uint32_t hostOrder =
      prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - std::min(prefixLength, 32u));
  return htonl(hostOrder);
}

void ReadLink(const nlmsghdr* message, std::vector<NetLink>& links) {
  const auto* info = static_cast<const ifinfomsg*>(mnl_nlmsg_get_payload(message));
  NetLink link;
  link.index = info->ifi_index;
  link.type = info->ifi_type;
  const auto attributes = Attributes(message, sizeof(ifinfomsg), IFLA_MAX);
  if (const nlattr* name = attributes[IFLA_IFNAME]) {
    const auto* text = static_cast<const char*>(mnl_attr_get_payload(name));
    link.name.assign(text, ::strnlen(text, mnl_attr_get_payload_len(name)));
  }
  if (const nlattr* address = attributes[IFLA_ADDRESS]) {
    const auto* bytes = static_cast<const std::uint8_t*>(mnl_attr_get_payload(address));
    link.hardwareAddress.assign(bytes, bytes + mnl_attr_get_payload_len(address));
  }
  links.push_back(std::move(link));
}

void ReadAddress(const nlmsghdr* message, std::vector<NetAddress>& addresses) {
  const auto* info = static_cast<const ifaddrmsg*>(mnl_nlmsg_get_payload(message));
  if (info->ifa_family != AF_INET) return;
  const auto attributes = Attributes(message, sizeof(ifaddrmsg), IFA_MAX);
  // IFA_LOCAL is the interface's own address; IFA_ADDRESS is the peer on point-to-point links.
  const nlattr* own =
      IsU32(attributes[IFA_LOCAL]) ? attributes[IFA_LOCAL] : attributes[IFA_ADDRESS];
  if (!IsU32(own)) return;
  addresses.push_back({static_cast<int>(info->ifa_index), mnl_attr_get_u32(own),
                       MaskOfPrefix(info->ifa_prefixlen)});
}

void ReadRoute(const nlmsghdr* message, std::vector<NetGateway>& gateways) {
  const auto* info = static_cast<const rtmsg*>(mnl_nlmsg_get_payload(message));
  if (info->rtm_family != AF_INET || info->rtm_dst_len != 0 || info->rtm_type != RTN_UNICAST) {
    return;
  }
  const auto attributes = Attributes(message, sizeof(rtmsg), RTA_MAX);
  const std::uint32_t table =
      IsU32(attributes[RTA_TABLE]) ? mnl_attr_get_u32(attributes[RTA_TABLE]) : info->rtm_table;
  if (table != RT_TABLE_MAIN || !IsU32(attributes[RTA_OIF]) || !IsU32(attributes[RTA_GATEWAY])) {
    return;
  }
  gateways.push_back({static_cast<int>(mnl_attr_get_u32(attributes[RTA_OIF])),
                      mnl_attr_get_u32(attributes[RTA_GATEWAY])});
}

}  // namespace

int ReadNetTables(NetTables& tables) {
  tables = {};
  NetTables read;
  int result = Dump(RTM_GETLINK, sizeof(ifinfomsg),
                    [&](const nlmsghdr* message) { ReadLink(message, read.links); });
  if (result == 0) {
    result = Dump(RTM_GETADDR, sizeof(ifaddrmsg),
                  [&](const nlmsghdr* message) { ReadAddress(message, read.addresses); });
  }
  if (result == 0) {
    result = Dump(RTM_GETROUTE, sizeof(rtmsg),
                  [&](const nlmsghdr* message) { ReadRoute(message, read.gateways); });
  }
  if (result == 0) tables = std::move(read);
  return result;
}

}  // namespace kelbrin::platform
