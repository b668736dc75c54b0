#include "gui/TLoopEventFrm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/ProgramFont.h"
#include "gui/UiText.h"
#include "settings/PubUtil.h"

namespace kelbrin::gui {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* const kStyle = R"(
  QDialog { background: #eef3fb; }
  QLabel#LabelHeading { color: #1f3f77; padding-top: 6px; }
  QLabel#LabelTop { color: #1f3f77; }
  QPushButton { min-width: 80px; min-height: 22px; }
)";

}  // namespace

TLoopEventFrm::TLoopEventFrm(reminders::LoopEventModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  using reminders::kEventKinds;
  setObjectName(QStringLiteral("TLoopEventFrm"));
  setWindowTitle(UiText("Reminder"));
  setFixedSize(533, 388);
  setFont(ProgramFont());
  setStyleSheet(QString::fromLatin1(kStyle));

  auto* top = new QLabel(UiText("Please choose the remind ways as you required:"));
  top->setObjectName(QStringLiteral("LabelTop"));

  auto* rows = new QGridLayout;
  rows->setHorizontalSpacing(18);
  rows->setVerticalSpacing(2);
  rows->setColumnStretch(0, 1);
  int gridRow = 0;
  int group = -1;
  for (int kind = 0; kind < reminders::kEventKindCount; ++kind) {
    const auto& info = kEventKinds[static_cast<std::size_t>(kind)];
    if (info.group != group) {
      group = info.group;
      auto* heading =
          new QLabel(UiText(reminders::kEventGroupTitles[static_cast<std::size_t>(group)]));
      heading->setObjectName(QStringLiteral("LabelHeading"));
      QFont bold = heading->font();
      bold.setBold(true);
      heading->setFont(bold);
      rows->addWidget(heading, gridRow++, 0, 1, 4);
    }
    auto* label = new QLabel(UiText(info.label));
    label->setToolTip(FromUtf8(info.tooltip));
    label->setIndent(16);
    auto* windows = new QCheckBox(UiText("windows"));
    auto* loudspeaker = new QCheckBox(UiText("loudspeaker"));
    auto* massage = new QCheckBox(UiText("massage"));
    windows->setObjectName(FromUtf8(info.windowsBox));
    loudspeaker->setObjectName(FromUtf8(info.loudspeakerBox));
    massage->setObjectName(FromUtf8(info.massageBox));
    massage->setEnabled(false);  // no such way to remind: never read, never stored
    for (QCheckBox* box : {windows, loudspeaker, massage}) box->setToolTip(label->toolTip());
    connect(windows, &QCheckBox::toggled, this,
            [this, kind](bool checked) { model_.SetWindows(kind, checked); });
    connect(loudspeaker, &QCheckBox::toggled, this,
            [this, kind](bool checked) { model_.SetLoudspeaker(kind, checked); });
    windowsBoxes_[static_cast<std::size_t>(kind)] = windows;
    loudspeakerBoxes_[static_cast<std::size_t>(kind)] = loudspeaker;
    rows->addWidget(label, gridRow, 0);
    rows->addWidget(windows, gridRow, 1);
    rows->addWidget(loudspeaker, gridRow, 2);
    rows->addWidget(massage, gridRow, 3);
    ++gridRow;
  }

  auto* reset = new QPushButton(UiText("Default(&R)"));
  auto* ok = new QPushButton(UiText("Ok(&O)"));
  auto* cancel = new QPushButton(UiText("Cancel(&C)"));
  reset->setObjectName(QStringLiteral("ButtonReset"));
  ok->setObjectName(QStringLiteral("BitBtnOk"));
  cancel->setObjectName(QStringLiteral("BitBtnCancel"));
  reset->setAutoDefault(false);
  cancel->setAutoDefault(false);
  ok->setDefault(true);
  connect(reset, &QPushButton::clicked, this, &TLoopEventFrm::ButtonResetClick);
  connect(ok, &QPushButton::clicked, this, &TLoopEventFrm::BitBtnOkClick);
  connect(cancel, &QPushButton::clicked, this, &TLoopEventFrm::BitBtnCancelClick);
  // Esc and the window's close button discard the edits like Cancel.
  connect(this, &QDialog::rejected, this, [this] { model_.Cancel(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(reset);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(top);
  layout->addLayout(rows);
  layout->addStretch();
  layout->addLayout(buttons);
  ShowModel();
}

void TLoopEventFrm::ShowModalOnce() {
  if (isVisible()) return;
  exec();
}

void TLoopEventFrm::showEvent(QShowEvent* event) {
  model_.FormShow();  // the stored settings win over unsaved edits
  ShowModel();
  QDialog::showEvent(event);
}

void TLoopEventFrm::ShowModel() {
  for (int kind = 0; kind < reminders::kEventKindCount; ++kind) {
    const reminders::EventChecks checks = model_.Checks(kind);
    // Setting the boxes feeds the same values back to the model; they change nothing there.
    windowsBoxes_[static_cast<std::size_t>(kind)]->setChecked(checks.windows);
    loudspeakerBoxes_[static_cast<std::size_t>(kind)]->setChecked(checks.loudspeaker);
  }
}

void TLoopEventFrm::BitBtnOkClick() {
  try {
    model_.Ok();
  } catch (const settings::SettingsError& error) {
    // The flags are in use already; only storing them failed.
    QMessageBox::critical(this, UiText("Error"), QString::fromUtf8(error.what()));
  }
  ShowModel();  // sound implies popup: the windows boxes follow
  accept();
}

void TLoopEventFrm::BitBtnCancelClick() { reject(); }

void TLoopEventFrm::ButtonResetClick() {
  model_.Reset();
  ShowModel();
}

}  // namespace kelbrin::gui
