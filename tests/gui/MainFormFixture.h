#pragma once

// What the main window's tests share: the window over a real session (the composition root) on
// the Qt event loop, with the recording presenter and the settings store in memory.
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SessionDoubles.h"
#include "client/ClientRoot.h"
#include "gui/QtEventLoop.h"
#include "gui/ShellOpen.h"
#include "gui/TMainForm.h"
#include "gui/WindowServices.h"

namespace kelbrin::gui::test {

using kelbrin::test::MemorySettingsBackend;
using kelbrin::test::RecordingPresenter;

// How a rig starts the client: by default the session's InitClient alone with the product's pace.
struct RigStart {
  // The root's whole start-up instead, as the desktop runs it: the stored line and the timers too.
  bool wholeClient = false;
  runtime::Pace pace{};
};

// The controller (InitClient run, desktop mode) and its window, wired as the desktop wires them;
// the targets ShellOpen was asked to open are recorded. The run-mode actions and the line
// area's hooks go through the rig's own members, which a test may set at any time: by default
// nothing installs the service and the window sees none of the machine's connections.
struct MainFormRig {
  explicit MainFormRig(const std::string& serverUrl = "http://127.0.0.1:9/pelmar/pelmar.dll/",
                       settings::SettingsBackend* store = nullptr, RigStart start = {}) {
    client::ClientOptions options;
    options.pace = start.pace;
    options.endpoint = serverUrl;
    options.settingsBackend = store != nullptr ? store : &backend;
    root = std::make_unique<client::ClientRoot>(loop, runtime::RealClock(), presenter, options);
    controller = &root->Session();
    TMainForm::Services services = WindowServices(*root, presenter);
    services.network = {.ConnectionNames =
                            [this] {
                              return network.ConnectionNames ? network.ConnectionNames()
                                                             : std::vector<std::string>();
                            },
                        .ApplyLine =
                            [this](int type, const std::string& name, const std::string& pwd,
                                   const std::string& user, std::function<void()> done) {
                              if (network.ApplyLine) {
                                network.ApplyLine(type, name, pwd, user, std::move(done));
                              } else if (done) {
                                done();
                              }
                            },
                        .SetKeepActive =
                            [this](bool on) {
                              if (network.SetKeepActive) network.SetKeepActive(on);
                            }};
    services.installService = [this](SettingsBoxes::ServiceOutcome done) {
      RunServiceAction(installService, std::move(done));
    };
    services.uninstallService = [this](SettingsBoxes::ServiceOutcome done) {
      RunServiceAction(uninstallService, std::move(done));
    };
    services.exitAction = [this] {
      if (exitAction) exitAction();
    };
    form = std::make_unique<TMainForm>(std::move(services));
    previousOpener = SetShellOpenHandler([this](const QString& target) { opened << target; });
    if (start.wholeClient) {
      root->InitClient(false);
    } else {
      controller->InitClient(false);
    }
  }
  ~MainFormRig() {
    SetShellOpenHandler(previousOpener);
    form.reset();
    root.reset();
  }

  // Without an action the service is neither installed nor removed.
  static void RunServiceAction(const SettingsBoxes::ServiceAction& action,
                               SettingsBoxes::ServiceOutcome done) {
    if (action) {
      action(std::move(done));
    } else {
      done(false);
    }
  }

  template <typename T>
  T* find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  QtEventLoop loop;
  RecordingPresenter presenter;
  MemorySettingsBackend backend;
  std::unique_ptr<client::ClientRoot> root;
  session::SessionController* controller = nullptr;  // the root's session
  TMainForm::NetworkLineHooks network;
  SettingsBoxes::ServiceAction installService;
  SettingsBoxes::ServiceAction uninstallService;
  std::function<void()> exitAction;
  std::unique_ptr<TMainForm> form;
  ShellOpenHandler previousOpener;
  QStringList opened;
};

}  // namespace kelbrin::gui::test

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace kelbrin::gui::test {

// Types the credentials, clicks "Login" and waits (bounded) until the session is online.
inline bool LogIn(MainFormRig& rig, const char* user, const char* password) {
  rig.form->ShowFromTray();
  auto* name = rig.find<QLineEdit>("EditUserName");
  auto* pwd = rig.find<QLineEdit>("EditPassword");
  name->clear();
  pwd->clear();
  QTest::keyClicks(name, QString::fromUtf8(user));
  QTest::keyClicks(pwd, QString::fromUtf8(password));
  QTest::mouseClick(rig.find<QPushButton>("BtnLogon"), Qt::LeftButton);
  return QTest::qWaitFor([&rig] { return rig.controller->Mark() == 1; }, 10000);
}

}  // namespace kelbrin::gui::test
