#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lines/DialStatusText.h"
#include "platform/Pppd.h"

namespace kelbrin::lines {

enum class TDialMode { dmAsync = 0, dmSync = 1 };

// A dial-up connection: the pid of the link's pppd; 0 for none.
using TConnHandle = pid_t;

// The dialer: lists the phonebook, dials an entry with a user name and password (synchronously,
// or asynchronously with progress events), hangs a connection up and waits until it is gone,
// reads the addresses of the link and keeps its traffic statistics. The machine's dial-up
// facility is pppd (platform::Pppd); results are 0 or the codes of platform/PppdErrors.h.
//
// Threads: Dial, GetEntries, HangUp and the statistics run on the caller's thread, never the
// controller's for a synchronous dial. An asynchronous dial is followed on a thread of the
// dialer's own; its notifications reach the controller's thread one at a time through `post`
// (one slot: a notification waits until the previous one has been delivered). Destroy the dialer
// on the controller's thread (or after its loop has ended).
class TDialUp {
 public:
  using Post = std::function<void(std::function<void()>)>;
  using TStandartEv = std::function<void(TDialUp& sender)>;
  using TOnEntryGet = std::function<void(TDialUp& sender, const std::string& entryName)>;
  using TOnNotConn =
      std::function<void(TDialUp& sender, int errorCode, const std::string& errorMessage)>;
  using TOnError = TOnNotConn;
  using TOnAsyncEvent = std::function<void(TDialUp& sender, int state, int error,
                                           const std::string& messageText)>;

  TDialUp(platform::Pppd& pppd, Post post);
  ~TDialUp();
  TDialUp(const TDialUp&) = delete;
  TDialUp& operator=(const TDialUp&) = delete;

  // Read/write properties and events.
  TDialMode DialMode = TDialMode::dmAsync;
  std::string Entry;
  TLanguage Language = TLanguage::English;
  std::string DUNA_Key;
  std::string UserName;
  std::string UserPwd;
  TOnEntryGet OnEntryGet;
  TStandartEv OnDialing;
  TStandartEv OnConnect;
  TOnNotConn OnNotConnected;
  TOnAsyncEvent OnAsyncEvent;
  TOnError OnError;

  // Read-only properties.
  const std::vector<std::string>& Entries() const { return entries_; }
  const std::string& ServerIP() const { return serverIp_; }
  const std::string& ClientIP() const { return clientIp_; }
  // Per-adapter statistics names exist only where the counters are kept per dial-up adapter
  // in the registry; here the list stays empty.
  const std::vector<std::string>& DUNA() const { return duna_; }
  std::uint64_t BytesXmit() const { return bytesXmit_; }
  std::uint64_t BytesRecv() const { return bytesRecv_; }
  std::uint32_t ConnectionSpeed() const { return 0; }
  TConnHandle ConnHandle() const;

  int GetEntries();
  int Dial();
  int HangUp();
  int HangUpConnection(TConnHandle handle);
  int GetConnectionAddresses(TConnHandle handle);
  std::string StatusText(int state, int error) const;

  // Any thread: makes a dial in progress give up (pppd is asked to end); the dial returns
  // kDialCancelled. For the owner's destruction, so that no thread stays blocked in a dial.
  void AbortDial();

  // Statistics: bytes sent and received through the entry's link since the base.
  bool RefreshDUNA();
  bool StatsStartStop(bool start, bool refresh);
  bool ReadStats();
  void ResetStats();

 private:
  class Relay;

  // Runs one dial to its end, reporting each state pppd shows to `onState`. 0 or a code.
  int RunDial(platform::PppdDial& dial, const std::string& entry,
              const std::function<void(int state)>& onState);
  void StopAsyncDial();
  void SetConnHandle(TConnHandle handle);

  platform::Pppd& pppd_;
  std::shared_ptr<Relay> relay_;
  std::vector<std::string> entries_;
  std::vector<std::string> duna_;
  std::string serverIp_;
  std::string clientIp_;
  mutable std::mutex handleMutex_;
  TConnHandle connHandle_ = 0;
  std::atomic<bool> abort_{false};      // for good: the owner is going
  std::atomic<bool> stopAsync_{false};  // the asynchronous dial in progress is to end
  std::thread asyncDial_;
  std::uint64_t currentSent_ = 0;
  std::uint64_t currentRecv_ = 0;
  std::uint64_t baseSent_ = 0;
  std::uint64_t baseRecv_ = 0;
  std::uint64_t bytesXmit_ = 0;
  std::uint64_t bytesRecv_ = 0;
};

}  // namespace kelbrin::lines
