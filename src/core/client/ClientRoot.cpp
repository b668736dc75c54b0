#include "client/ClientRoot.h"

#include <utility>

#include "eventlog/TLogRec.h"
#include "protocol/CurlTransport.h"

namespace kelbrin::client {

namespace {

// The settings value naming the program run on each new public address.
constexpr const char* kAddressCommandValue = "AddressChangeCommand";
// How long that program may run before it is ended.
constexpr std::chrono::seconds kAddressCommandTimeout{30};

}  // namespace

ClientRoot::ClientRoot(runtime::EventLoop& loop, runtime::Clock& clock,
                       runtime::Presenter& presenter, ClientOptions options,
                       std::unique_ptr<protocol::Transport> transport)
    : loop_(loop),
      transport_(transport ? std::move(transport) : std::make_unique<protocol::CurlTransport>()),
      pelmar_(*transport_, &router_),
      session_(loop, clock, presenter, pelmar_,
               session::SessionOptions{options.pace, options.settingsBackend}) {
  if (options.addressHistory) history_.emplace(*options.addressHistory);
  const std::string command = options.settingsBackend->readValue(kAddressCommandValue);
  if (!command.empty()) {
    addressCommand_ = std::make_unique<AddressCommand>(
        command, kAddressCommandTimeout, [this](bool ok, std::string text) {
          PostToLoop([this, ok, text = std::move(text)] {
            session_.EventLog().AddLog(ok ? eventlog::kLogTip : eventlog::kLogError, text);
          });
        });
  }
  session_.SetAddressObserver(
      [this](const std::string& address, const std::string& previous) {
        OnNewAddress(address, previous);
      });
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

void ClientRoot::InitClient(bool serviceMode) { session_.InitClient(serviceMode); }

void ClientRoot::Shutdown() {
  session_.Shutdown();
  addressCommand_.reset();
  alive_.reset();
}

void ClientRoot::OnNewAddress(const std::string& address, const std::string& previous) {
  if (history_) {
    try {
      history_->Append(std::chrono::system_clock::now(), address);
    } catch (const std::exception& error) {
      session_.EventLog().AddLog(eventlog::kLogError,
                                 std::string("The address history was not written: ") +
                                     error.what());
    }
  }
  if (addressCommand_) addressCommand_->Run(address, previous);
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
