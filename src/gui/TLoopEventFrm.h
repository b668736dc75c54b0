#pragma once

#include <QDialog>
#include <array>

#include "reminders/EventKinds.h"
#include "reminders/LoopEventModel.h"

class QCheckBox;

namespace kelbrin::gui {

// The "Reminder" dialog: one row of boxes per reminder kind over the core's dialog model. The
// boxes only mirror the model; Ok, Cancel and Default(&R) are the model's. Created once at
// start-up, shown modally.
class TLoopEventFrm final : public QDialog {
  Q_OBJECT

 public:
  explicit TLoopEventFrm(reminders::LoopEventModel& model, QWidget* parent = nullptr);

  // Shows the dialog modally unless it is already showing (the menu item and the popup's link).
  void ShowModalOnce();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BitBtnOkClick();
  void BitBtnCancelClick();
  void ButtonResetClick();
  void ShowModel();

  reminders::LoopEventModel& model_;
  std::array<QCheckBox*, reminders::kEventKindCount> windowsBoxes_{};
  std::array<QCheckBox*, reminders::kEventKindCount> loudspeakerBoxes_{};
};

}  // namespace kelbrin::gui
