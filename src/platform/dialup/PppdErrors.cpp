#include "platform/dialup/PppdErrors.h"

#include <array>
#include <utility>

#include "platform/files/Translatable.h"

namespace kelbrin::platform {
namespace {

// pppd's documented exit statuses.
constexpr std::array<std::pair<int, const char*>, 21> kExitTexts{{
    {1, Translatable("pppd: a fatal error occurred")},
    {2, Translatable("pppd: an error was detected in the options")},
    {3, Translatable("pppd: not setuid-root and the invoking user is not root")},
    {4, Translatable("pppd: the kernel does not support PPP")},
    {5, Translatable("pppd: ended on request (SIGINT, SIGTERM or SIGHUP)")},
    {6, Translatable("pppd: the serial port could not be locked")},
    {7, Translatable("pppd: the serial port could not be opened")},
    {8, Translatable("pppd: the connect script failed")},
    {9, Translatable("pppd: the pty command could not be run")},
    {10, Translatable("pppd: the PPP negotiation failed")},
    {11, Translatable("pppd: the peer failed to authenticate itself")},
    {12, Translatable("pppd: the link was idle and was terminated")},
    {13, Translatable("pppd: the connect time limit was reached")},
    {14, Translatable("pppd: callback was negotiated")},
    {15, Translatable("pppd: the peer is not responding to echo requests")},
    {16, Translatable("pppd: the modem hung up")},
    {17, Translatable("pppd: the PPP negotiation failed because serial loopback was detected")},
    {18, Translatable("pppd: the init script failed")},
    {19, Translatable("pppd: authentication failed: the user name or password was not accepted")},
    {20, Translatable("pppd: the traffic limit was reached")},
    {21, Translatable("pppd: the calling number was not accepted")},
}};

constexpr std::array<std::pair<int, const char*>, 8> kOwnTexts{{
    {kPppdNotStartable,
     Translatable(
         "pppd cannot be started: dialling needs pppd installed and root rights or membership of "
         "the dip group (the service needs CAP_NET_ADMIN)")},
    {kPeerUnreadable, Translatable("The peer file of this entry is missing or unreadable")},
    {kNoSuchLink, Translatable("No dial-up connection runs under this handle")},
    {kPasswordUnusable, Translatable("The password is too long or holds control characters")},
    {kPrivateDirUnusable, Translatable("The private runtime folder for the dial cannot be used")},
    {kLinkNotUp,
     Translatable(
         "pppd reported the link up but no link of this entry was found (without root, the peer "
         "file must hold \"linkname ENTRY\")")},
    {kPeersDirUnreadable, Translatable("The pppd peers folder cannot be read")},
    {kDialCancelled, Translatable("The dial was cancelled")},
}};

}  // namespace

int PppdExitCode(int exitStatus) { return exitStatus == 0 ? 0 : kPppdExitBase + exitStatus; }

std::string PppdErrorText(int code) {
  for (const auto& [status, text] : kExitTexts) {
    if (PppdExitCode(status) == code) return text;
  }
  for (const auto& [own, text] : kOwnTexts) {
    if (own == code) return text;
  }
  if (code > kPppdExitBase && code < kPppdOwnBase) {
    return "pppd: ended with exit status " + std::to_string(code - kPppdExitBase);
  }
  return "Unknown dial-up error " + std::to_string(code);
}

}  // namespace kelbrin::platform
