#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "protocol/ResultCodes.h"
#include "protocol/TActiveTestResp.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"
#include "protocol/Transport.h"
#include "runtime/Pace.h"

namespace kelbrin::protocol {

// The client's own version: sent with the login check and the fallback of the version query.
inline constexpr std::string_view kClientVersion = "6.0";

// What one exchange with the service came to: no reply (the transport's empty reply: code 1), a
// reply whose Result is "0" (accepted), or a refusal with the code the service sent (a Result
// that is not a number counts as 1). `message` is the code's text, empty when accepted.
struct Outcome {
  bool replied = false;
  bool accepted = false;
  int resultCode = 1;
  std::string message = ResultCodeMessage(1);
  bool Accepted() const { return accepted; }
};

// An outcome with the parsed reply; `reply` is set whenever a reply arrived.
template <typename Resp>
struct Reply : Outcome {
  std::shared_ptr<const Resp> reply;
};

struct Credentials {
  std::string UserName;
  std::string UserPwd;
};

// The one connection of the process to the Pelmar service: the endpoint, the four time-outs, one
// exchange at a time, the abort at shutdown, and the last result code with its text. Every
// exchange of the protocol is a typed call; the calls are safe from any thread and serialised,
// so at most one request is in flight.
class PelmarClient {
 public:
  // `reactions` (may be null: nobody reacts, as in the one-shot command) hears ResultCodeText.
  PelmarClient(Transport& transport, ResultReactions* reactions = nullptr);

  void SetEndpoint(std::string url);
  std::string Endpoint() const;
  void SetTimeouts(const runtime::Pace& pace);

  // The login check ("QueryUserProfileReq"). A missing reply reports code 1 and a refusal its
  // own code through ResultCodeText.
  Reply<TQueryUserProfileResp> UserLogin(const Credentials& credentials);
  // "ActiveTestReq". The reply's fields are read into `response`, which keeps the values of
  // elements a reply leaves out (the worker keeps one response for its whole life).
  Outcome ActiveTest(const Credentials& credentials, TActiveTestResp& response);
  // "GetServiceListReq".
  Reply<TGetServiceListResp> GetServiceList(const Credentials& credentials);
  // The newest client version the service knows, or kClientVersion when the service is down or
  // refuses the query.
  std::string QueryLatestVersion();
  // One of the two inventory reports ("PostSystemInfoReq", "PostNetworkInfoReq"), as the system
  // information builds its document; the reply text, empty on any failure. The caller parses it,
  // and a reply that does not parse is no reply.
  std::string PostReport(const std::string& document);
  // A web page (the captive portal's): GET or POST in raw mode to any address; the page text or
  // the empty string on failure.
  std::string RawExchange(std::string_view method, std::string_view url, std::string_view body);

  // Records `code` and its message as the last result, then reacts: code 1 asks the line to
  // authenticate, every other code goes to ShowLastError.
  void ResultCodeText(int code);
  int LastResultCode() const;
  std::string LastErrorText() const;

  // Shutdown: the exchange in flight ends promptly and every later call fails at once.
  void AbortAll() { aborted_.store(true); }

 private:
  std::string Post(std::string_view method, std::string_view url, std::string_view body,
                   bool xmlMode, std::size_t replyCap);
  std::string PostXml(const std::string& body, std::size_t replyCap = kMessageReplyCap);
  template <typename Resp>
  Reply<Resp> Parsed(const std::string& text);

  Transport& transport_;
  ResultReactions* const reactions_;
  std::atomic<bool> aborted_{false};
  // One exchange at a time, from every thread.
  std::mutex exchangeLock_;

  mutable std::mutex stateLock_;
  std::string endpoint_;
  TransportTimeouts timeouts_;
  int lastResultCode_ = 0;
  std::string lastErrorText_;
};

}  // namespace kelbrin::protocol
