#pragma once

#include <string>

namespace kelbrin::platform {

// Error codes of the dial-up facility. pppd's exit status N becomes kPppdExitBase + N; the
// codes above kPppdOwnBase are the dialer's own. 0 is success everywhere.
inline constexpr int kPppdExitBase = 1000;
inline constexpr int kPppdOwnBase = 1300;

enum PppdError : int {
  kPppdNotStartable = kPppdOwnBase + 1,  // pppd missing, or not allowed to run it
  kPeerUnreadable = kPppdOwnBase + 2,    // the entry's peer file is missing or unreadable
  kNoSuchLink = kPppdOwnBase + 3,        // no connection runs under that handle
  kPasswordUnusable = kPppdOwnBase + 4,  // too long or holds control characters
  kPrivateDirUnusable = kPppdOwnBase + 5,
  kLinkNotUp = kPppdOwnBase + 6,  // pppd reported success but no link came up
  kPeersDirUnreadable = kPppdOwnBase + 7,
  kDialCancelled = kPppdOwnBase + 8,
};

// The error code for pppd's exit status (0 stays 0).
int PppdExitCode(int exitStatus);

// The text of a dial-up error code; "Unknown dial-up error N" for a code without one.
std::string PppdErrorText(int code);

}  // namespace kelbrin::platform
