#include "app/desktop/DesktopFace.h"

#include <QDBusConnectionInterface>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/bus/ClientInterface.h"
#include "eventlog/TLogRec.h"
#include "gui/WindowServices.h"
#include "lines/TLineFactory.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

namespace {

constexpr const char* kServiceLeftText =
    runtime::Translatable("The Kelbrin service has stopped: this desktop runs the client now.");

std::string LineTypeName(int lineType) {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  return lineType >= 0 && static_cast<std::size_t>(lineType) < names.size() ? names[lineType]
                                                                            : std::string();
}

}  // namespace

DesktopFace::DesktopFace(Setup setup)
    : setup_(std::move(setup)),
      ownBus_(setup_.presenter),
      watch_([this](const QDBusConnection& bus) { Appeared(bus); },
             [this](const QDBusConnection& bus) { Left(bus); }) {}

DesktopFace::~DesktopFace() { TearDown(); }

void DesktopFace::Start() {
  Build();
  if (!setup_.serviceMode) {
    for (const QDBusConnection& bus : watch_.Start(setup_.buses)) {
      if (AttachTo(bus)) break;
    }
  }
  if (!front_) StartOwnSession();
}

void DesktopFace::Build() {
  root_ =
      std::make_unique<client::ClientRoot>(setup_.loop, setup_.clock, ownBus_, setup_.options());
  session_.emplace(root_->Session());
  form_ = std::make_unique<gui::TMainForm>(Services());
  setup_.windowChanged(form_.get(), &*session_);
}

gui::TMainForm::Services DesktopFace::Services() {
  gui::TMainForm::Services services = gui::WindowServices(*root_, *session_, setup_.presenter);
  // The line goes to the service while attached; it stores the line too.
  services.network.ApplyLine = [this](int type, const std::string& name, const std::string& pwd,
                                      const std::string& user, std::function<void()> done) {
    if (!front_) {
      root_->ApplyLine(type, name, pwd, user, std::move(done));
      return;
    }
    front_->ApplyLine(LineTypeName(type), name, pwd, user, root_->Settings().Snapshot().AutoConn,
                      std::move(done));
  };
  services.network.SetKeepActive = [this](bool on) {
    if (front_) {
      front_->SetLineKeepActive(on);
    } else {
      root_->SetLineKeepActive(on);
    }
  };
  setup_.complete(services);
  return services;
}

void DesktopFace::TearDown() {
  if (!root_) return;
  setup_.windowChanged(nullptr, nullptr);
  serving_.reset();
  ownBus_.Withdraw();
  form_.reset();  // the tray icon leaves first
  session_.reset();
  front_.reset();
  root_->Shutdown();
  root_.reset();
  ownSession_ = false;
}

bool DesktopFace::AttachTo(const QDBusConnection& bus) {
  auto front = std::make_unique<ClientBusFront>(bus, setup_.presenter, root_->EventLog(),
                                                root_->Settings(), setup_.clock);
  if (!front->Attach()) return false;
  front_ = std::move(front);
  frontBus_ = bus.name();
  session_->Use(*front_);
  // As at a start without a saved password: a service that is not logged in asks for the login.
  if (front_->Mark() != 1) form_->ShowFromTray();
  form_->KeepReachable();
  return true;
}

void DesktopFace::StartOwnSession() {
  ownSession_ = true;
  root_->InitClient(setup_.serviceMode);
  PublishOwnSession();
  form_->KeepReachable();
}

void DesktopFace::PublishOwnSession() {
  // The service's own window is published by the service.
  if (setup_.serviceMode) return;
  try {
    ownBus_.Publish(platform::BusKind::Session, *root_, {}, ClientBus::Role::DesktopSession);
  } catch (const std::runtime_error&) {
    return;  // no session bus, or the name is a service's: nothing to tell others
  }
  root_->EventLog().List().AddObserver(&ownBus_);
  session_->SetSideObserver([this] { ownBus_.Refresh(); });
  ownBus_.SetObserver([this](const platform::BusProperties&) {
    if (serving_) serving_->Rearm();
  });
  serving_ = std::make_unique<BusServing>(*ownBus_.Service(), [this] {
    // Not from inside the serving's own handler: the loop drops both a moment later.
    QTimer::singleShot(0, [this] {
      serving_.reset();
      ownBus_.Drop();
    });
  });
}

bool DesktopFace::OwnName(const QDBusConnection& bus) const {
  const platform::BusService* own = ownBus_.Service();
  if (own == nullptr) return false;
  return bus.interface()->serviceOwner(QString::fromLatin1(kClientBusName)).value() ==
         QString::fromStdString(own->UniqueName());
}

void DesktopFace::Appeared(const QDBusConnection& bus) {
  if (front_ || OwnName(bus)) return;
  if (ownSession_) {
    // This process's session ends (its workers and timers with it) before the service's
    // window takes over; a window that was up stays up.
    const bool shown = form_->isVisible();
    TearDown();
    Build();
    if (shown) form_->ShowFromTray();
  }
  if (!AttachTo(bus)) StartOwnSession();
}

void DesktopFace::Left(const QDBusConnection& bus) {
  if (!front_ || bus.name() != frontBus_) return;
  session_->Use(root_->Session());
  front_.reset();
  frontBus_.clear();
  // A service that still runs on the other bus takes its place.
  for (const QDBusConnection& other : setup_.buses) {
    if (other.name() == bus.name() || !other.isConnected()) continue;
    if (other.interface()->isServiceRegistered(QString::fromLatin1(kClientBusName)).value() &&
        AttachTo(other)) {
      return;
    }
  }
  root_->EventLog().AddLog(eventlog::kLogWarning, kServiceLeftText);
  // A notice that matters: the session's first routine news must not cover it.
  setup_.presenter.Tell({runtime::NoticeKind::Tip, kServiceLeftText});
  StartOwnSession();
}

}  // namespace kelbrin::app
