#pragma once

// What the main window's tests share: a presenter that records, a settings store in memory, and
// the window over a real session controller on the Qt event loop.
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/QtEventLoop.h"
#include "gui/ShellOpen.h"
#include "gui/TMainForm.h"
#include "protocol/Transport.h"
#include "runtime/Presenter.h"
#include "session/SessionController.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::gui::test {

// Every effect, in order, as "kind|title|text".
class RecordingPresenter final : public runtime::Presenter {
 public:
  void ShowHintPopup(const std::string& title, const std::string& text) override {
    record("popup", title, text);
  }
  void StartBeep(int repetitions) override { record("beep", {}, std::to_string(repetitions)); }
  void MessageBeep() override { record("message-beep", {}, {}); }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    record("error", caption, text);
  }
  void ShowInfoBox(const std::string& caption, const std::string& text) override {
    record("info", caption, text);
  }
  void ShowMainWindow() override { record("show", {}, {}); }

  int count(const QString& effect) const { return static_cast<int>(effects.count(effect)); }

  QStringList effects;

 private:
  void record(const char* kind, const std::string& title, const std::string& text) {
    effects << QString::fromLatin1(kind) + '|' + QString::fromStdString(title) + '|' +
                   QString::fromStdString(text);
  }
};

// The settings store in memory, with the autostart entry and the service query as flags.
class MemorySettingsBackend final : public settings::SettingsBackend {
 public:
  std::string readValue(const std::string& name) override {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  }
  void writeValue(const std::string& name, const std::string& text) override {
    values[name] = text;
  }
  void writeValues(const std::map<std::string, std::string>& batch) override {
    for (const auto& [name, text] : batch) values[name] = text;
  }
  bool isServiceInstalled(const std::string&) override { return serviceInstalled; }
  void setAutorun(bool enabled) override { autorun = enabled; }

  std::map<std::string, std::string> values;
  bool serviceInstalled = false;
  bool autorun = false;
};

// The controller (InitClient run, desktop mode) and its window; the targets ShellOpen was asked
// to open are recorded.
struct MainFormRig {
  explicit MainFormRig(const std::string& serverUrl = "http://127.0.0.1:9/pelmar/pelmar.dll/",
                       settings::SettingsBackend* store = nullptr) {
    protocol::ResumeExchanges();  // the previous rig's shutdown aborted the transport
    session::SessionOptions options;
    options.serverUrl = serverUrl;
    options.settingsBackend = store != nullptr ? store : &backend;
    controller = std::make_unique<session::SessionController>(loop, runtime::realClock(), presenter,
                                                              options);
    form = std::make_unique<TMainForm>(*controller, presenter);
    previousOpener = SetShellOpenHandler([this](const QString& target) { opened << target; });
    controller->InitClient(false);
  }
  ~MainFormRig() {
    SetShellOpenHandler(previousOpener);
    form.reset();
    controller.reset();
  }

  template <typename T>
  T* find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  QtEventLoop loop;
  RecordingPresenter presenter;
  MemorySettingsBackend backend;
  std::unique_ptr<session::SessionController> controller;
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
