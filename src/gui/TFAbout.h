#pragma once

#include <QDialog>

namespace kelbrin::gui {

class LinkLabel;

// The about box "About Zorvan...": the product picture, the version and the vendor's web and
// support addresses as links. Ok, or a double click anywhere on it, closes it.
class TFAbout final : public QDialog {
  Q_OBJECT

 public:
  explicit TFAbout(QWidget* parent = nullptr);

  // Shows the box modally without waiting for it (no nested event loop), centred on `over`
  // (the main window) when given.
  void ShowModal(const QWidget* over);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  LinkLabel* lblSite_;
  LinkLabel* lblSupport_;
};

}  // namespace kelbrin::gui
