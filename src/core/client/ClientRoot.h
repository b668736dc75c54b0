#pragma once

#include <functional>
#include <memory>
#include <string>

#include "client/ResultRouter.h"
#include "protocol/PelmarClient.h"
#include "protocol/Transport.h"
#include "runtime/Clock.h"
#include "runtime/EventLoop.h"
#include "runtime/Pace.h"
#include "runtime/Presenter.h"
#include "session/SessionController.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::client {

// Starts watching the local addresses and the default route; `changed` runs on the watcher's
// thread for every change, until the returned handle is released.
using AddressWatchStarter = std::function<std::shared_ptr<void>(std::function<void()> changed)>;

struct ClientOptions {
  runtime::Pace pace;
  // The protocol endpoint: the string table's entry, or the --endpoint override.
  std::string endpoint;
  // Where the settings live; the system's store unless a test hands in its own.
  settings::SettingsBackend* settingsBackend = &settings::SystemSettingsBackend();
  // Brings the active test forward when the network changes (unless the ImmediateUpdate
  // setting is off); none: the tests keep their pace only.
  AddressWatchStarter watchAddresses;
};

// The composition root of the running client: it owns the one Pelmar client of the process and
// every area that talks to the service, and wires them through their narrow interfaces. The
// desktop and the service build one; the window's pages take the interfaces they need from it.
// Lives on the controller's thread (the thread of `loop`).
class ClientRoot {
 public:
  // `transport` carries the exchanges (libcurl when none is given: tests hand in their own).
  ClientRoot(runtime::EventLoop& loop, runtime::Clock& clock, runtime::Presenter& presenter,
             ClientOptions options, std::unique_ptr<protocol::Transport> transport = nullptr);
  ~ClientRoot();
  ClientRoot(const ClientRoot&) = delete;
  ClientRoot& operator=(const ClientRoot&) = delete;

  // Start-up without a window (see SessionController::InitClient), then the address watch.
  void InitClient(bool serviceMode);
  // Stops every worker and aborts the exchange in flight; idempotent.
  void Shutdown();

  session::SessionController& Session() { return session_; }
  const session::SessionController& Session() const { return session_; }
  protocol::PelmarClient& Pelmar() { return pelmar_; }

  // The network line's new login after a connection failure (result code 1), run on the
  // controller's thread; none until a line is held.
  void SetLineAuthenticator(std::function<void()> authenticate);

 private:
  // Runs `task` on the controller's thread unless the root is gone by then.
  void PostToLoop(std::function<void()> task);

  runtime::EventLoop& loop_;
  std::unique_ptr<protocol::Transport> transport_;
  ResultRouter router_;
  protocol::PelmarClient pelmar_;
  session::SessionController session_;
  std::function<void()> lineAuthenticator_;
  AddressWatchStarter watchAddresses_;
  std::shared_ptr<void> addressWatch_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace kelbrin::client
