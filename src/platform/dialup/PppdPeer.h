#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelbrin::platform {

// How a running pppd that the client did not start is tied to a peer: its command line
// (`pppd call PEER`, or `file` naming the peer file), or the peer file's own `linkname` and
// `ifname`, which name the link's pid file and its interface.

// The link and interface names a peer file gives its links; empty where it gives none.
struct PeerLinkNames {
  std::string linkname;
  std::string ifname;
};

// The `linkname` and `ifname` options of a pppd options file (comments and quotes as pppd
// reads them); both empty when the file cannot be read.
PeerLinkNames ReadPeerLinkNames(const std::filesystem::path& peerFile);

// Whether argv[0]'s file name is `program`'s.
bool RunsProgram(const std::vector<std::string>& argv, const std::string& program);

// The peer a pppd command line runs: the last `call PEER`, or a `file` that names a file of
// `peersDir`. nullopt when the program (argv[0]'s file name) is not `program`'s, or when the
// line names no peer.
std::optional<std::string> PeerOfCommandLine(const std::vector<std::string>& argv,
                                             const std::string& program,
                                             const std::filesystem::path& peersDir);

// A process's argv as /proc shows it; empty when it cannot be read (gone, or hidden from us).
std::vector<std::string> ProcessCommandLine(pid_t pid);

}  // namespace kelbrin::platform
