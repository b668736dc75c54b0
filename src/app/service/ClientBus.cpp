#include "app/service/ClientBus.h"

#include <optional>
#include <utility>
#include <vector>

#include "app/service/ClientMethods.h"
#include "lines/TLineFactory.h"
#include "settings/ParamInfo.h"

namespace kelbrin::app {

namespace {

using platform::BusArg;

std::string LineKindName(int lineType) {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  return lineType >= 0 && static_cast<std::size_t>(lineType) < names.size() ? names[lineType]
                                                                            : std::string();
}

const std::vector<platform::BusSignal>& Signals() {
  static const std::vector<platform::BusSignal> signals = {
      {"Event", {BusArg{"kind", "u", {}}, BusArg{"time", "t", {}}, BusArg{"text", "s", {}}}},
      {"Notice", {BusArg{"kind", "u", {}}, BusArg{"text", "s", {}}, BusArg{"loud", "b", {}}}},
  };
  return signals;
}

}  // namespace

LineFacts LineFactsOf(client::ClientRoot& root) {
  const settings::TParamInfo stored = root.Settings().Snapshot();
  LineFacts line;
  line.kind = LineKindName(stored.InternalLineType);
  line.name = stored.LineName;
  line.userName = stored.LineUserName;
  line.autoConnect = stored.AutoConn;
  if (root.HeldLineType()) {
    line.state = root.Session().NetReachable() ? LineState::Connected : LineState::NotConnected;
  }
  return line;
}

ClientBus::ClientBus(runtime::Presenter& presenter) : presenter_(presenter) {}

ClientBus::~ClientBus() = default;

platform::BusProperties ClientBus::CurrentProperties() {
  platform::BusProperties properties = PropertiesOf(root_->Session().Facts(), LineFactsOf(*root_));
  // A new list (or none) is told by its serial; a reader then asks GetServiceList.
  const auto* list = root_->Session().View().DomainTree.get();
  if (list != shownList_) {
    shownList_ = list;
    ++listSerial_;
  }
  properties.emplace(kServiceListSerial, listSerial_);
  return properties;
}

void ClientBus::Publish(platform::BusKind kind, client::ClientRoot& root,
                        std::function<void()> quit, Role role) {
  root_ = &root;
  shownList_ = root.Session().View().DomainTree.get();
  properties_ = CurrentProperties();
  // The line's state changes on the line's own pace, not only with the session's view; the
  // observer follows both also when the bus cannot be had.
  root.SetLineObserver([this] { Refresh(); });
  if (observer_) observer_(properties_);
  const bool desktop = role == Role::DesktopSession;
  platform::BusObject object{
      kClientBusName, kClientBusPath, kClientBusInterface,
      properties_,    Signals(),      ClientMethods(root, std::move(quit), desktop),
      desktop};
  service_ = std::make_unique<platform::BusService>(kind, std::move(object));
}

void ClientBus::Refresh() {
  if (root_ == nullptr) return;
  platform::BusProperties properties = CurrentProperties();
  if (properties == properties_) return;
  properties_ = std::move(properties);
  if (service_) service_->SetProperties(properties_);
  if (observer_) observer_(properties_);
}

void ClientBus::Drop() { service_.reset(); }

void ClientBus::Withdraw() {
  service_.reset();
  if (root_ != nullptr) root_->SetLineObserver({});
  root_ = nullptr;
  shownList_ = nullptr;
}

void ClientBus::ShowHintPopup(const std::string& title, const std::string& text) {
  presenter_.ShowHintPopup(title, text);
}

void ClientBus::StartBeep(int repetitions) { presenter_.StartBeep(repetitions); }

void ClientBus::MessageBeep() { presenter_.MessageBeep(); }

void ClientBus::ShowErrorBox(const std::string& caption, const std::string& text) {
  presenter_.ShowErrorBox(caption, text);
}

void ClientBus::ShowErrorBoxThen(const std::string& caption, const std::string& text,
                                 std::function<void()> closed) {
  presenter_.ShowErrorBoxThen(caption, text, std::move(closed));
}

void ClientBus::ShowInfoBox(const std::string& caption, const std::string& text) {
  presenter_.ShowInfoBox(caption, text);
}

void ClientBus::ShowMainWindow() { presenter_.ShowMainWindow(); }

void ClientBus::ShowNetworkSettings() { presenter_.ShowNetworkSettings(); }

void ClientBus::Tell(const runtime::Notice& notice, std::function<void()> closed) {
  if (service_) {
    service_->Emit("Notice", {platform::BusValue(static_cast<std::uint32_t>(notice.kind)),
                              platform::BusValue(notice.text), platform::BusValue(notice.loud)});
  }
  presenter_.Tell(notice, std::move(closed));
}

void ClientBus::OnLogRowInserted(const eventlog::TLogRec& entry) {
  if (!service_) return;
  service_->Emit("Event",
                 {platform::BusValue(std::uint32_t{entry.kind}),
                  platform::BusValue(BusTime(entry.time)), platform::BusValue(entry.text)});
}

}  // namespace kelbrin::app
