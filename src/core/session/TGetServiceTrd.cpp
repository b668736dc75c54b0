#include "session/TGetServiceTrd.h"

#include <memory>
#include <utility>

#include "session/Credentials.h"

namespace kelbrin::session {

namespace {

ServiceListReply EndedWithoutReply(std::uint64_t fetch) {
  return {.fetch = fetch, .list = nullptr, .errorText = {}, .replied = false};
}

}  // namespace

TGetServiceTrd::TGetServiceTrd(protocol::PelmarClient& client, SessionSignals& signals,
                               const settings::ParamInfoStore& settings, WorkerMessages& messages,
                               const runtime::Pace& pace, std::uint64_t fetch)
    : client_(client),
      signals_(signals),
      settings_(settings),
      messages_(messages),
      pace_(pace),
      fetch_(fetch) {
  thread_ = std::thread([this] { Run(); });
}

TGetServiceTrd::~TGetServiceTrd() { thread_.join(); }

void TGetServiceTrd::Run() {
  if (signals_.WaitFor(pace_.serviceListDelay, {}) != runtime::WorkerWait::End::Stopped) {
    try {
      Fetch();
    } catch (...) {
      // The list stays as it was; the next login fetches again.
      messages_.PostServiceList(EndedWithoutReply(fetch_));
    }
  }
  finished_.store(true);
}

void TGetServiceTrd::Fetch() {
  const auto outcome = client_.GetServiceList(CurrentCredentials(settings_));
  if (!outcome.replied) {
    client_.ResultCodeText(1);
    messages_.PostServiceList(EndedWithoutReply(fetch_));
    return;
  }
  if (!outcome.Accepted()) {
    client_.ResultCodeText(outcome.resultCode);
    messages_.PostServiceList({fetch_, nullptr, outcome.message});
    return;
  }
  messages_.PostServiceList({fetch_, outcome.reply, {}});
}

}  // namespace kelbrin::session
