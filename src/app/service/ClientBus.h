#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/bus/ClientInterface.h"
#include "client/ClientRoot.h"
#include "eventlog/LogListObserver.h"
#include "platform/bus/BusService.h"
#include "runtime/Presenter.h"

namespace kelbrin::app {

// What the client shows, as the properties of its bus interface.
platform::BusProperties ClientProperties(client::ClientRoot& root);

// The running service on the bus: the session's state as properties, every effect the window
// would show (popup, beep, box, log entry) as a signal, the pages' actions as methods guarded by
// polkit. Until Publish() it only passes the effects on. Controller's thread only.
class ClientBus final : public runtime::Presenter, public eventlog::LogListObserver {
 public:
  // `presenter` keeps showing every effect (the journal lines) and outlives the bus.
  explicit ClientBus(runtime::Presenter& presenter);
  ~ClientBus() override;

  // Claims the client's name on `kind` and publishes `root`; `quit` stops the service. The
  // root's line observer refreshes the bus from then on, so the root must go before the bus.
  // Throws platform::BusError saying why the bus is out of reach.
  void Publish(platform::BusKind kind, client::ClientRoot& root, std::function<void()> quit);
  // The properties follow the session; called after every change.
  void Refresh();
  // The published service (loop serving); none before Publish or after Drop.
  platform::BusService* Service() { return service_.get(); }
  // The connection is lost: the client goes on without the bus.
  void Drop();

  void ShowHintPopup(const std::string& title, const std::string& text) override;
  void StartBeep(int repetitions) override;
  void MessageBeep() override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowInfoBox(const std::string& caption, const std::string& text) override;
  void ShowMainWindow() override;
  void OnLogRowInserted(const eventlog::TLogRec& entry) override;

 private:
  void Emit(const std::string& signal, const std::vector<platform::BusValue>& args);

  runtime::Presenter& presenter_;
  client::ClientRoot* root_ = nullptr;
  std::unique_ptr<platform::BusService> service_;
  const protocol::TGetServiceListResp* shownList_ = nullptr;
  std::int32_t listSerial_ = 0;
};

}  // namespace kelbrin::app
