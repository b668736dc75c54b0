#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialUpFacility.h"
#include "platform/dialup/PppdDial.h"
#include "platform/net/LinkInterface.h"

namespace kelbrin::platform {

// Where pppd and its links live. The defaults are those of the distribution's pppd; the folders
// can be moved for a pppd built with other paths and for tests.
struct PppdSetup {
  std::string program = "pppd";
  std::filesystem::path peersDir = "/etc/ppp/peers";
  std::filesystem::path runDir = "/run";
  std::filesystem::path netClassDir = "/sys/class/net";
  // Private runtime folder (0700) for a dial's one-read options file that carries the password.
  std::filesystem::path privateDir = DefaultPrivateDir();
  // How long a hang-up waits for pppd to end after SIGTERM before it kills it.
  std::chrono::milliseconds hangUpBound{30000};
  // pppd accepts `linkname` on its command line from root only; for anybody else the peer file
  // has to name the link after itself ("linkname ENTRY"), or the link cannot be found.
  bool nameTheLink = ::getuid() == 0;

  // The program's runtime folder (platform::ProgramRuntimeFolder), else
  // /tmp/kelbrin-client-UID.
  static std::filesystem::path DefaultPrivateDir();
};

using PppAddresses = LinkAddresses;
using PppCounters = LinkCounters;

// The machine's dial-up facility: pppd. The phonebook is the peer files of the peers folder, a
// dial is `pppd call ENTRY ...`, the connections are the running pppd links as the run folder's
// pid files name them (id: the pid of the link's pppd): `ppp-LINKNAME.pid` of the client's own
// dials (the link name is the entry), and the interface's pid file (`ppp0.pid`) of a pppd that
// another program started, whose peer its command line or the peer file's `linkname`/`ifname`
// tells. Error results are the codes of PppdErrors.h. Interface queries answer for the calling
// thread's network namespace.
class Pppd final : public DialUpFacility {
 public:
  explicit Pppd(PppdSetup setup = {});

  const PppdSetup& Setup() const { return setup_; }

  // The names of the peer files, sorted; 0 or kPeersDirUnreadable.
  int Entries(std::vector<std::string>& names) const override;
  bool HasEntry(const std::string& entry) const override;
  bool EntryDialable(const std::string& entry) const override;

  // A dial whose states come from pppd's log and that ends with the entry's link up.
  std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                         const std::string& password, int& error) const override;
  // Starts `pppd call ENTRY user NAME [linkname ENTRY] file OPTIONS logfd 3 updetach`; the
  // password reaches pppd only through the options file (0600, private folder), never argv or
  // environment. nullptr with `error` set when pppd cannot be started.
  std::unique_ptr<PppdDial> StartPppd(const std::string& entry, const std::string& user,
                                      const std::string& password, int& error) const;

  // The links named by the run folder's pid files, each pppd once, in entry order; connected:
  // pppd alive, interface up and holding an IPv4 address.
  std::vector<DialLink> Links() const override;
  std::optional<DialLink> LinkOfId(int pid) const override;
  // The entry's link: the client's own (ppp-ENTRY.pid) when it is connected, else a connected
  // one another program started for the peer, else the own one as it is.
  std::optional<DialLink> LinkOfEntry(const std::string& entry) const override;

  // Ends the link whose pppd is `pid`: SIGTERM, then waits until that pppd is gone; after
  // hangUpBound it is killed. kNoSuchLink at once when no link of this machine has that pid.
  int HangUp(int pid) const override;
  std::chrono::milliseconds CancelBound() const override { return setup_.hangUpBound; }

  std::optional<PppAddresses> Addresses(const std::string& interface) const;
  std::optional<PppCounters> Counters(const std::string& interface) const;

 private:
  struct FoundLink {
    DialLink link;
    std::filesystem::path pidFile;
  };
  // The link a pid file of the run folder names; nullopt for a file that names none.
  std::optional<FoundLink> ReadLink(const std::filesystem::path& pidFile) const;
  // The peer of a pppd known by its command line and its link name or interface; the link
  // name (empty for none) when no peer can be told.
  std::string PeerOfLink(const std::vector<std::string>& argv, const std::string& linkname,
                         const std::string& interface) const;
  std::vector<FoundLink> ScanLinks() const;

  PppdSetup setup_;
};

// True while `pid` names a live process (a zombie counts as gone).
bool ProcessAlive(pid_t pid);

}  // namespace kelbrin::platform
