#pragma once

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/Presenter.h"
#include "session/SessionReadout.h"

namespace kelbrin::gui {
class TMainForm;
}

namespace kelbrin::app {

// --state-report FILE, an aid for the end-to-end test: what the desktop shows, as "key=value"
// lines that a script outside can read. It passes every effect on to the real presenter and
// notes it ("Popup=TITLE|TEXT", "InfoBox=...", "ErrorBox=...", "ShowMainWindow"), notes every
// window the application shows ("WindowShown=CLASS TITLE", so a short-lived popup is not missed
// between two snapshots), and rewrites
// the file (atomically) whenever the snapshot changes: the controller's view, the window's
// visibility, page and focus, the tray icon, and where the named controls and the visible
// top-level windows are on the screen. Main thread only.
class StateReport final : public QObject, public runtime::Presenter {
  Q_OBJECT

 public:
  StateReport(std::filesystem::path file, runtime::Presenter& presenter);

  // Starts the snapshots; both must outlive the report or Detach.
  void Attach(const session::SessionReadout& controller, const gui::TMainForm& form);
  void Detach();

  void ShowHintPopup(const std::string& title, const std::string& text) override;
  void ShowNoticePopup(const std::string& title, const std::string& text,
                       runtime::PopupWeight weight) override;
  void StartBeep(int repetitions) override;
  void MessageBeep() override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowErrorBoxThen(const std::string& caption, const std::string& text,
                        std::function<void()> closed) override;
  void ShowInfoBox(const std::string& caption, const std::string& text) override;
  void ShowMainWindow() override;
  void ShowNetworkSettings() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Note(std::string line);
  void Write();
  std::string Snapshot() const;

  std::filesystem::path file_;
  runtime::Presenter& presenter_;
  const session::SessionReadout* controller_ = nullptr;
  const gui::TMainForm* form_ = nullptr;
  std::vector<std::string> effects_;
  std::string written_;
  QTimer timer_;
};

}  // namespace kelbrin::app
