#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/bus/ClientInterface.h"
#include "client/ClientRoot.h"
#include "eventlog/LogListObserver.h"
#include "platform/bus/BusService.h"
#include "runtime/Presenter.h"

namespace kelbrin::app {

// The running client on the bus, as net.kelbrin.Client1 (packaging/dbus/net.kelbrin.Client1.xml):
// the session's facts as typed properties, each new log entry as an Event and each notice as a
// Notice signal, and the actions as methods guarded by polkit. Until Publish() it only passes
// the effects on. Controller's thread only.
class ClientBus final : public runtime::Presenter, public eventlog::LogListObserver {
 public:
  // Whose client is published: a service's (changed by everyone polkit allows, holding the name),
  // or a desktop's own session (for --status and other readers only, giving the name up to a
  // service that comes).
  enum class Role { Service, DesktopSession };

  // `presenter` shows every effect (the journal's lines, or the window) and outlives the bus.
  explicit ClientBus(runtime::Presenter& presenter);
  ~ClientBus() override;

  // Claims the client's name on `kind` and publishes `root`; `quit` ends the client. The root's
  // line observer refreshes the bus from then on, so the root must go before the bus.
  // Throws std::runtime_error saying why the bus is out of reach; the properties still follow
  // the client then (for the observer).
  void Publish(platform::BusKind kind, client::ClientRoot& root, std::function<void()> quit,
               Role role = Role::Service);
  // The properties follow the session; called after every change.
  void Refresh();
  // The published service (loop serving); none before Publish or after Drop.
  platform::BusService* Service() const { return service_.get(); }
  // The connection is lost: the client goes on without the bus.
  void Drop();
  // The root is about to go: nothing is published or followed any more.
  void Withdraw();
  // Called with the properties (the service list's serial included) whenever they change, on
  // or off the bus.
  void SetObserver(std::function<void(const platform::BusProperties&)> observer) {
    observer_ = std::move(observer);
  }

  void ShowHintPopup(const std::string& title, const std::string& text) override;
  void StartBeep(int repetitions) override;
  void MessageBeep() override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowErrorBoxThen(const std::string& caption, const std::string& text,
                        std::function<void()> closed) override;
  void ShowInfoBox(const std::string& caption, const std::string& text) override;
  void ShowMainWindow() override;
  void ShowNetworkSettings() override;
  void Tell(const runtime::Notice& notice, std::function<void()> closed = {}) override;
  void OnLogRowInserted(const eventlog::TLogRec& entry) override;

 private:
  platform::BusProperties CurrentProperties();

  runtime::Presenter& presenter_;
  client::ClientRoot* root_ = nullptr;
  std::unique_ptr<platform::BusService> service_;
  platform::BusProperties properties_;
  std::function<void(const platform::BusProperties&)> observer_;
  const protocol::TGetServiceListResp* shownList_ = nullptr;
  std::uint32_t listSerial_ = 0;
};

// The facts of the line `root` keeps.
LineFacts LineFactsOf(client::ClientRoot& root);

}  // namespace kelbrin::app
