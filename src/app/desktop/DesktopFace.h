#pragma once

#include <QDBusConnection>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/desktop/BusServing.h"
#include "app/desktop/ClientBusFront.h"
#include "app/desktop/ClientBusWatch.h"
#include "app/service/ClientBus.h"
#include "client/ClientRoot.h"
#include "gui/TMainForm.h"
#include "runtime/Presenter.h"
#include "session/SessionFrontSwitch.h"

namespace kelbrin::app {

// The desktop's window and the client it shows. While the client service runs (on the system
// bus, else the session bus) the window is its face and this process runs no session; when the
// service leaves, the desktop says so once and runs its own session, as it does without a
// service; when the service comes back, the desktop lets its own session go and attaches again.
// Its own session is published read-only on the session bus (for --status and other readers),
// holding the name only until a service asks for it. Main thread only.
class DesktopFace {
 public:
  struct Setup {
    runtime::EventLoop& loop;
    runtime::Clock& clock;
    runtime::Presenter& presenter;
    std::function<client::ClientOptions()> options;
    // Adds what depends on the run mode to the window's services (exit, service install).
    std::function<void(gui::TMainForm::Services&)> complete;
    // The window was made (with the session it reads) or is about to go (nullptr).
    std::function<void(gui::TMainForm* form, const session::SessionReadout* session)> windowChanged;
    // Where to look for the service, in order: the system bus, then the session bus (the
    // machine's service is the one that keeps the machine's names; a name on the session bus
    // is trusted only when this user's own process owns it).
    std::vector<QDBusConnection> buses;
    // The service's own process on a display: it runs its session in service mode and never
    // looks for another service to attach to.
    bool serviceMode = false;
  };

  explicit DesktopFace(Setup setup);
  ~DesktopFace();
  DesktopFace(const DesktopFace&) = delete;
  DesktopFace& operator=(const DesktopFace&) = delete;

  // Attaches to a running service, or starts this process's own session.
  void Start();

 private:
  void Build();
  void TearDown();
  bool AttachTo(const QDBusConnection& bus);
  void StartOwnSession();
  void PublishOwnSession();
  // Whether the name on `bus` is held by this desktop's own publication.
  bool OwnName(const QDBusConnection& bus) const;
  void Appeared(const QDBusConnection& bus);
  void Left(const QDBusConnection& bus);
  gui::TMainForm::Services Services();

  Setup setup_;
  // In front of the presenter, so the own session's notices and events reach the bus too.
  ClientBus ownBus_;
  std::unique_ptr<BusServing> serving_;
  ClientBusWatch watch_;
  std::unique_ptr<client::ClientRoot> root_;
  std::optional<session::SessionFrontSwitch> session_;
  std::unique_ptr<ClientBusFront> front_;
  QString frontBus_;  // the connection name of the bus the front is on
  std::unique_ptr<gui::TMainForm> form_;
  bool ownSession_ = false;
};

}  // namespace kelbrin::app
