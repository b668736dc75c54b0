#include "session/TGetServiceTrd.h"

#include <memory>
#include <utility>

#include "protocol/ResultCodes.h"
#include "protocol/TBaseReq.h"
#include "protocol/Transport.h"
#include "protocol/Utilities.h"
#include "session/Credentials.h"

namespace kelbrin::session {

TGetServiceTrd::TGetServiceTrd(SessionSignals& signals, WorkerMessages& messages,
                               const runtime::Pace& pace, std::uint64_t fetch)
    : signals_(signals), messages_(messages), pace_(pace), fetch_(fetch) {
  thread_ = std::thread([this] { Run(); });
}

TGetServiceTrd::~TGetServiceTrd() { thread_.join(); }

void TGetServiceTrd::Run() {
  if (signals_.WaitFor(pace_.serviceListDelay, {}) != runtime::WorkerWait::End::kStopped) {
    try {
      Fetch();
    } catch (...) {
      // The list stays as it was; the next login fetches again.
    }
  }
  finished_.store(true);
}

void TGetServiceTrd::Fetch() {
  const Credentials credentials = CurrentCredentials();
  protocol::TBaseReq request;
  request.UserName = credentials.UserName;
  request.UserPwd = credentials.UserPwd;
  request.MsgType = "GetServiceListReq";
  request.Version = "1.0";
  const std::string reply =
      protocol::PostXmlRequest("POST", protocol::ServerUrl(), request.ToXml(), true);
  if (reply.empty()) {
    protocol::ResultCodeText(1);
    return;
  }
  auto list = std::make_shared<protocol::TGetServiceListResp>();
  list->ParseXml(reply);
  if (list->Result != "0") {
    protocol::ResultCodeText(protocol::IntOrDefault(list->Result, 1));
    messages_.PostServiceList({fetch_, nullptr, protocol::LastErrorText()});
    return;
  }
  messages_.PostServiceList({fetch_, std::move(list), {}});
}

}  // namespace kelbrin::session
