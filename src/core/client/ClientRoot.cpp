#include "client/ClientRoot.h"

#include <exception>
#include <utility>

#include "protocol/CurlTransport.h"
#include "settings/ParamInfo.h"

namespace kelbrin::client {

ClientRoot::ClientRoot(runtime::EventLoop& loop, runtime::Clock& clock,
                       runtime::Presenter& presenter, ClientOptions options,
                       std::unique_ptr<protocol::Transport> transport)
    : loop_(loop),
      transport_(transport ? std::move(transport) : std::make_unique<protocol::CurlTransport>()),
      pelmar_(*transport_, &router_),
      session_(loop, clock, presenter, pelmar_,
               session::SessionOptions{options.pace, options.settingsBackend}),
      watchAddresses_(std::move(options.watchAddresses)) {
  pelmar_.SetEndpoint(options.endpoint);
  pelmar_.SetTimeouts(options.pace);
  router_.onRefusal = [this](const std::string& text) { session_.ShowLastError(text); };
  router_.onConnectionFailure = [this] {
    PostToLoop([this] {
      if (lineAuthenticator_) lineAuthenticator_();
    });
  };
}

ClientRoot::~ClientRoot() { Shutdown(); }

void ClientRoot::InitClient(bool serviceMode) {
  session_.InitClient(serviceMode);
  if (addressWatch_ || !watchAddresses_) return;
  if (!settings::ParamInfo().snapshot().ImmediateUpdate) return;
  try {
    addressWatch_ = watchAddresses_([this] { session_.AddressChanged(); });
  } catch (const std::exception&) {
    // Without the watch the active tests keep their pace; nothing else depends on it.
  }
}

void ClientRoot::Shutdown() {
  // First: its thread calls into the session.
  addressWatch_.reset();
  session_.Shutdown();
  alive_.reset();
}

void ClientRoot::SetLineAuthenticator(std::function<void()> authenticate) {
  lineAuthenticator_ = std::move(authenticate);
}

void ClientRoot::PostToLoop(std::function<void()> task) {
  loop_.post([alive = std::weak_ptr<int>(alive_), task = std::move(task)] {
    // The root is destroyed on the loop's own thread, so it cannot vanish during the task.
    if (alive.lock()) task();
  });
}

}  // namespace kelbrin::client
