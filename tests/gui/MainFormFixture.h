#pragma once

// What the main window's tests share: the window over a real session (the composition root) on
// the Qt event loop, with the recording presenter and the settings store in memory.
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SessionDoubles.h"
#include "client/ClientRoot.h"
#include "gui/QtEventLoop.h"
#include "gui/ShellOpen.h"
#include "gui/TMainForm.h"

namespace kelbrin::gui::test {

using kelbrin::test::MemorySettingsBackend;
using kelbrin::test::RecordingPresenter;

// The controller (InitClient run, desktop mode) and its window; the targets ShellOpen was asked
// to open are recorded.
struct MainFormRig {
  explicit MainFormRig(const std::string& serverUrl = "http://127.0.0.1:9/pelmar/pelmar.dll/",
                       settings::SettingsBackend* store = nullptr) {
    client::ClientOptions options;
    options.endpoint = serverUrl;
    options.settingsBackend = store != nullptr ? store : &backend;
    root = std::make_unique<client::ClientRoot>(loop, runtime::RealClock(), presenter, options);
    controller = &root->Session();
    form = std::make_unique<TMainForm>(*controller, presenter);
    previousOpener = SetShellOpenHandler([this](const QString& target) { opened << target; });
    controller->InitClient(false);
  }
  ~MainFormRig() {
    SetShellOpenHandler(previousOpener);
    form.reset();
    root.reset();
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
