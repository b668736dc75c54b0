#pragma once

#include <QElapsedTimer>
#include <QEnterEvent>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace kelbrin::gui {

// Panel5: the banner across the top of the main window, a picture with a sheen that sweeps
// across it once when something changes: the window is shown, the user logs in, the pointer
// comes over it. Between sweeps it sets no timer at all, so a shown window sleeps.
class BannerPanel final : public QWidget {
  Q_OBJECT

 public:
  explicit BannerPanel(QWidget* parent = nullptr);

  // Plays the banner again from its start (at each login).
  void RestartBanner();
  // How many times the banner has started playing; the tests see the restart.
  int Starts() const { return starts_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  void StartSweep();
  void Tick();

  QImage picture_;
  QTimer frames_;  // during a sweep only
  QElapsedTimer sinceSweep_;
  int starts_ = 0;
};

}  // namespace kelbrin::gui
