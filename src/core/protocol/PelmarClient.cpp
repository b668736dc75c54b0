#include "protocol/PelmarClient.h"

#include "platform/process/FreedMemory.h"
#include "protocol/TBaseReq.h"
#include "protocol/TGetVersionResp.h"
#include "protocol/TUserAuthReq.h"
#include "protocol/Utilities.h"

namespace kelbrin::protocol {

namespace {

// Sent as written, without the document model.
constexpr std::string_view kGetVersionRequest =
    "<?xml version=\"1.0\" ?><PelmarPacket><MsgType>GetVersionReq</MsgType>"
    "<Version>1.0</Version></PelmarPacket>";

TransportTimeouts TimeoutsOf(const runtime::Pace& pace) {
  return {pace.resolveTimeout, pace.connectTimeout, pace.sendTimeout, pace.receiveTimeout};
}

std::string GeneralRequest(std::string_view msgType, const Credentials& credentials) {
  TBaseReq request;
  request.MsgType = msgType;
  request.Version = "1.0";
  request.UserName = credentials.UserName;
  request.UserPwd = credentials.UserPwd;
  return request.ToXml();
}

// The outcome a parsed Result stands for.
void Judge(const std::string& result, Outcome& outcome) {
  outcome.replied = true;
  outcome.accepted = result == "0";
  outcome.resultCode = outcome.accepted ? 0 : IntOrDefault(result, 1);
  outcome.message = outcome.accepted ? std::string() : ResultCodeMessage(outcome.resultCode);
}

}  // namespace

PelmarClient::PelmarClient(Transport& transport, ResultReactions* reactions)
    : transport_(transport), reactions_(reactions), timeouts_(TimeoutsOf(runtime::Pace{})) {}

void PelmarClient::SetEndpoint(std::string url) {
  std::lock_guard lock(stateLock_);
  endpoint_ = std::move(url);
}

std::string PelmarClient::Endpoint() const {
  std::lock_guard lock(stateLock_);
  return endpoint_;
}

void PelmarClient::SetTimeouts(const runtime::Pace& pace) {
  std::lock_guard lock(stateLock_);
  timeouts_ = TimeoutsOf(pace);
}

std::string PelmarClient::Post(std::string_view method, std::string_view url, std::string_view body,
                               bool xmlMode, std::size_t replyCap) {
  if (aborted_.load()) return {};
  TransportTimeouts timeouts;
  {
    std::lock_guard lock(stateLock_);
    timeouts = timeouts_;
  }
  const std::lock_guard exchange(exchangeLock_);
  // A shutdown may have begun while this call waited for the exchange before it.
  if (aborted_.load()) return {};
  return transport_.Exchange({method, url, body, xmlMode, timeouts, &aborted_, replyCap});
}

std::string PelmarClient::PostXml(const std::string& body, std::size_t replyCap) {
  return Post("POST", Endpoint(), body, true, replyCap);
}

template <typename Resp>
Reply<Resp> PelmarClient::Parsed(const std::string& text) {
  Reply<Resp> outcome;
  auto reply = std::make_shared<Resp>();
  // A reply that is not well-formed counts as none.
  if (text.empty() || !reply->ParseXml(text)) return outcome;
  Judge(reply->Result, outcome);
  outcome.reply = std::move(reply);
  return outcome;
}

Reply<TQueryUserProfileResp> PelmarClient::UserLogin(const Credentials& credentials) {
  TUserAuthReq request;
  request.MsgType = "QueryUserProfileReq";
  request.UserName = credentials.UserName;
  request.UserPwd = credentials.UserPwd;
  request.ClientVersion = kClientVersion;
  Reply<TQueryUserProfileResp> outcome = Parsed<TQueryUserProfileResp>(PostXml(request.ToXml()));
  if (!outcome.Accepted()) ResultCodeText(outcome.resultCode);
  return outcome;
}

Outcome PelmarClient::ActiveTest(const Credentials& credentials, TActiveTestResp& response) {
  Outcome outcome;
  const std::string text = PostXml(GeneralRequest("ActiveTestReq", credentials));
  if (text.empty() || !response.ParseXml(text)) return outcome;
  Judge(response.Result, outcome);
  return outcome;
}

Reply<TGetServiceListResp> PelmarClient::GetServiceList(const Credentials& credentials) {
  Reply<TGetServiceListResp> outcome = Parsed<TGetServiceListResp>(
      PostXml(GeneralRequest("GetServiceListReq", credentials), kServiceListReplyCap));
  // The reply text and the parser's documents, as large as the list, are freed by now.
  platform::ReturnFreedMemory();
  return outcome;
}

std::string PelmarClient::QueryLatestVersion() {
  try {
    const std::string reply = PostXml(std::string(kGetVersionRequest));
    TGetVersionResp version;
    if (!reply.empty() && version.ParseXml(reply) && version.Result == "0") {
      return version.VersionInfo;
    }
  } catch (...) {  // no answer to use: the own version raises no update notice
  }
  return std::string(kClientVersion);
}

std::string PelmarClient::PostReport(const std::string& document) { return PostXml(document); }

std::string PelmarClient::RawExchange(std::string_view method, std::string_view url,
                                      std::string_view body) {
  return Post(method, url, body, false, kMessageReplyCap);
}

void PelmarClient::ResultCodeText(int code) {
  const std::string text = ResultCodeMessage(code);
  {
    std::lock_guard lock(stateLock_);
    lastResultCode_ = code;
    lastErrorText_ = text;
  }
  if (reactions_ == nullptr) return;
  if (code == 1) {
    // The line's own failure must not turn a missing reply into something worse.
    try {
      reactions_->AuthenticateLine();
    } catch (...) {
    }
  } else {
    reactions_->ShowLastError(text);
  }
}

int PelmarClient::LastResultCode() const {
  std::lock_guard lock(stateLock_);
  return lastResultCode_;
}

std::string PelmarClient::LastErrorText() const {
  std::lock_guard lock(stateLock_);
  return lastErrorText_;
}

}  // namespace kelbrin::protocol
