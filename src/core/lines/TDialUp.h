#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lines/DialStatusText.h"
#include "platform/dialup/DialUpPhonebook.h"

namespace kelbrin::lines {

enum class TDialMode { dmAsync = 0, dmSync = 1 };

// A dial-up connection: its facility and the facility's number for it; empty for none.
using TConnHandle = platform::DialHandle;

// The dialer: lists the phonebook, dials an entry with a user name and password (synchronously,
// or asynchronously with progress events), hangs a connection up and waits until it is gone,
// reads the addresses of the link and keeps its traffic statistics. The machine's dial-up
// facilities are pppd and, where it runs, NetworkManager (platform::DialUpPhonebook routes each
// entry); results are 0 or the codes of platform/dialup/PppdErrors.h and
// platform/dialup/NmDialErrors.h.
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

  TDialUp(platform::DialUpPhonebook phonebook, Post post);
  ~TDialUp();
  TDialUp(const TDialUp&) = delete;
  TDialUp& operator=(const TDialUp&) = delete;

  // Read/write properties and events.
  TDialMode DialMode = TDialMode::dmAsync;
  std::string Entry;
  TLanguage Language = TLanguage::English;
  std::string UserName;
  std::string UserPwd;
  TOnEntryGet OnEntryGet;
  TStandartEv OnDialing;
  TStandartEv OnConnect;
  TOnNotConn OnNotConnected;
  TOnAsyncEvent OnAsyncEvent;
  // An error that stopped a dial before it began, or a notice about a dial that goes ahead
  // (told once per entry and user name).
  TOnError OnError;

  // Read-only properties.
  const std::vector<std::string>& Entries() const { return entries_; }
  const std::string& ServerIP() const { return serverIp_; }
  const std::string& ClientIP() const { return clientIp_; }
  std::uint64_t BytesXmit() const { return bytesXmit_; }
  std::uint64_t BytesRecv() const { return bytesRecv_; }
  TConnHandle ConnHandle() const;

  int GetEntries();
  int Dial();
  int HangUp();
  int HangUpConnection(TConnHandle handle);
  int GetConnectionAddresses(TConnHandle handle);
  std::string StatusText(int state, int error) const;

  // Any thread: makes a dial in progress give up (its facility is asked to end it); the dial
  // returns kDialCancelled. For the owner's destruction, so that no thread stays blocked in a dial.
  void AbortDial();

  // Statistics: bytes sent and received through the entry's link since the base.
  bool StatsStartStop(bool start, bool refresh);
  bool ReadStats();
  void ResetStats();

 private:
  class Relay;

  // Runs one dial to its end, reporting each state it shows to `onState`. 0 or a code.
  int RunDial(platform::DialAttempt& dial, const std::function<void(int state)>& onState);
  void StopAsyncDial();
  void SetConnHandle(TConnHandle handle);
  // Tells a dial's notice through OnError, unless it was told last for the same entry and user.
  void TellNotice(int notice);

  const platform::DialUpPhonebook phonebook_;
  std::shared_ptr<Relay> relay_;
  std::vector<std::string> entries_;
  std::string serverIp_;
  std::string clientIp_;
  mutable std::mutex handleMutex_;
  TConnHandle connHandle_;
  std::atomic<bool> abort_{false};      // for good: the owner is going
  std::atomic<bool> stopAsync_{false};  // the asynchronous dial in progress is to end
  std::thread asyncDial_;
  std::string toldNotice_;  // the entry and user name a notice was last told for
  std::uint64_t currentSent_ = 0;
  std::uint64_t currentRecv_ = 0;
  std::uint64_t baseSent_ = 0;
  std::uint64_t baseRecv_ = 0;
  std::uint64_t bytesXmit_ = 0;
  std::uint64_t bytesRecv_ = 0;
};

}  // namespace kelbrin::lines
