#include "app/desktop/StateReport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTreeView>
#include <QWidget>
#include <sstream>

#include "gui/TMainForm.h"
#include "gui/TrayIcon.h"
#include "platform/files/AtomicFile.h"

namespace kelbrin::app {
namespace {

constexpr int kSnapshotMs = 100;

std::string Rect(const QRect& rect) {
  std::ostringstream text;
  text << rect.x() << ' ' << rect.y() << ' ' << rect.width() << ' ' << rect.height();
  return text.str();
}

// The widget's rectangle in screen coordinates.
std::string ScreenRect(const QWidget& widget) {
  return Rect(QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()));
}

// One report line holds one text: line ends become "\\n".
std::string OneLine(const QString& text) {
  std::string line = text.toStdString();
  for (std::size_t at = 0; (at = line.find('\n', at)) != std::string::npos; at += 2) {
    line.replace(at, 1, "\\n");
  }
  return line;
}

// The rows of `tree` on the screen, depth first: "TreeItem=DEPTH|TEXT|X Y W H".
void TreeItems(const QTreeView& tree, const QModelIndex& parent, int depth, std::ostream& text) {
  const QAbstractItemModel* model = tree.model();
  for (int row = 0; model != nullptr && row < model->rowCount(parent); ++row) {
    const QModelIndex index = model->index(row, 0, parent);
    const QRect rect = tree.visualRect(index);
    if (rect.isEmpty()) continue;  // inside a collapsed node
    text << "TreeItem=" << depth << '|' << OneLine(index.data().toString()) << '|'
         << Rect(QRect(tree.viewport()->mapToGlobal(rect.topLeft()), rect.size())) << '\n';
    TreeItems(tree, index, depth + 1, text);
  }
}

}  // namespace

StateReport::StateReport(std::filesystem::path file, runtime::Presenter& presenter)
    : file_(std::move(file)), presenter_(presenter) {
  connect(&timer_, &QTimer::timeout, this, &StateReport::Write);
  qApp->installEventFilter(this);
}

bool StateReport::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    const auto* widget = static_cast<const QWidget*>(watched);
    if (widget->isWindow()) {
      Note(std::string("WindowShown=") + widget->metaObject()->className() + ' ' +
           widget->windowTitle().toStdString());
    }
  }
  return false;
}

void StateReport::Attach(const session::SessionReadout& controller, const gui::TMainForm& form) {
  controller_ = &controller;
  form_ = &form;
  Write();
  timer_.start(kSnapshotMs);
}

void StateReport::Detach() {
  timer_.stop();
  controller_ = nullptr;
  form_ = nullptr;
}

void StateReport::Note(std::string line) {
  effects_.push_back(std::move(line));
  Write();
}

void StateReport::ShowHintPopup(const std::string& title, const std::string& text) {
  presenter_.ShowHintPopup(title, text);
  Note("Popup=" + title + "|" + text);
}

void StateReport::ShowNoticePopup(const std::string& title, const std::string& text,
                                  runtime::PopupWeight weight) {
  presenter_.ShowNoticePopup(title, text, weight);
  Note("Popup=" + title + "|" + text);
}

void StateReport::StartBeep(int repetitions) {
  presenter_.StartBeep(repetitions);
  Note("StartBeep=" + std::to_string(repetitions));
}

void StateReport::MessageBeep() {
  presenter_.MessageBeep();
  Note("MessageBeep");
}

void StateReport::ShowErrorBox(const std::string& caption, const std::string& text) {
  Note("ErrorBox=" + caption + "|" + text);
  presenter_.ShowErrorBox(caption, text);
}

void StateReport::ShowErrorBoxThen(const std::string& caption, const std::string& text,
                                   std::function<void()> closed) {
  Note("ErrorBox=" + caption + "|" + text);
  presenter_.ShowErrorBoxThen(caption, text, std::move(closed));
}

void StateReport::ShowInfoBox(const std::string& caption, const std::string& text) {
  Note("InfoBox=" + caption + "|" + text);
  presenter_.ShowInfoBox(caption, text);
}

void StateReport::ShowMainWindow() {
  presenter_.ShowMainWindow();
  Note("ShowMainWindow");
}

void StateReport::ShowNetworkSettings() {
  presenter_.ShowNetworkSettings();
  Note("ShowNetworkSettings");
}

std::string StateReport::Snapshot() const {
  std::ostringstream text;
  if (controller_ != nullptr) {
    const session::SessionView& view = controller_->View();
    text << "Label25=" << view.Label25 << "\nLabel26=" << view.Label26
         << "\nLabel27=" << view.Label27 << "\nLabel28=" << view.Label28
         << "\nLabel29=" << view.Label29 << "\nBtnLogonCaption=" << view.BtnLogonCaption
         << "\nTrayHint=" << view.TrayHint << "\nTrayIconIndex=" << view.TrayIconIndex
         << "\nDomains=" << (view.DomainTree ? view.DomainTree->DomainInfos.size() : 0) << '\n';
  }
  if (form_ != nullptr) {
    text << "WindowVisible=" << form_->isVisible()
         << "\nWindowActive=" << (QApplication::activeWindow() == form_)
         << "\nActivePage=" << form_->ActivePage() << '\n';
    // Visible only where a tray host shows it: without one the icon is nowhere on the screen.
    gui::TrayIcon& tray = form_->Tray();
    text << "TrayHost=" << tray.HostPresent() << "\nTrayVisible=" << tray.IsShown()
         << "\nWindowMinimized=" << form_->isMinimized()
         << "\nTrayGeometry=" << Rect(tray.CoolTrayIcon()->geometry()) << '\n';
    for (const QWidget* widget : form_->findChildren<QWidget*>()) {
      if (!widget->objectName().isEmpty() && widget->isVisible()) {
        text << "Widget=" << widget->objectName().toStdString() << ' ' << ScreenRect(*widget)
             << '\n';
      }
      // What the pages show, for the controls a test reads back.
      if (const auto* label = qobject_cast<const QLabel*>(widget);
          label != nullptr && widget->objectName().startsWith(QStringLiteral("lab"))) {
        text << "Text=" << widget->objectName().toStdString() << '|' << OneLine(label->text())
             << '\n';
      } else if (const auto* list = qobject_cast<const QComboBox*>(widget);
                 list != nullptr && !widget->objectName().isEmpty()) {
        text << "Text=" << widget->objectName().toStdString() << '|' << OneLine(list->currentText())
             << '\n';
      }
    }
    if (const auto* tree = form_->findChild<QTreeView*>(QStringLiteral("TreeViewDNS"));
        tree != nullptr && tree->isVisible()) {
      TreeItems(*tree, QModelIndex(), 0, text);
    }
  }
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window != form_) {
      text << "TopLevel=" << window->metaObject()->className() << ' '
           << window->windowTitle().toStdString() << '|' << ScreenRect(*window) << '\n';
    }
  }
  for (const std::string& effect : effects_) text << effect << '\n';
  return text.str();
}

void StateReport::Write() {
  std::string snapshot = Snapshot();
  if (snapshot == written_) return;
  try {
    platform::WriteFileAtomically(file_, snapshot, 0600);
    written_ = std::move(snapshot);
  } catch (const std::exception&) {
    // A test aid: a report that cannot be written is tried again with the next snapshot.
  }
}

}  // namespace kelbrin::app
