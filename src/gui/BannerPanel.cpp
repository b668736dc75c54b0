#include "gui/BannerPanel.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "gui/PictureCaption.h"

namespace kelbrin::gui {

namespace {
constexpr int kFrameMs = 40;
constexpr qint64 kSweepMs = 1200;  // the sheen crosses the banner
constexpr int kSheenWidth = 90;
}  // namespace

BannerPanel::BannerPanel(QWidget* parent) : QWidget(parent), picture_(BannerPicture()) {
  setObjectName(QStringLiteral("Panel5"));
  setFixedHeight(55);
  frames_.setInterval(kFrameMs);
  connect(&frames_, &QTimer::timeout, this, &BannerPanel::Tick);
}

void BannerPanel::RestartBanner() {
  ++starts_;
  if (isVisible()) StartSweep();
}

void BannerPanel::showEvent(QShowEvent* event) {
  StartSweep();
  QWidget::showEvent(event);
}

void BannerPanel::hideEvent(QHideEvent* event) {
  frames_.stop();
  QWidget::hideEvent(event);
}

void BannerPanel::enterEvent(QEnterEvent* event) {
  // A sweep under way goes on; the pointer coming back starts the next one.
  if (!frames_.isActive()) StartSweep();
  QWidget::enterEvent(event);
}

void BannerPanel::StartSweep() {
  sinceSweep_.restart();
  frames_.start();
  update();
}

void BannerPanel::Tick() {
  if (sinceSweep_.elapsed() > kSweepMs) frames_.stop();
  update();
}

void BannerPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), QColor(0x0d, 0x25, 0x50));
  } else {
    painter.drawImage(rect(), picture_);
  }
  if (!frames_.isActive()) return;
  const double progress = static_cast<double>(std::min(sinceSweep_.elapsed(), kSweepMs)) /
                          static_cast<double>(kSweepMs);
  const double x = -kSheenWidth + progress * (width() + 2.0 * kSheenWidth);
  QLinearGradient sheen(x, 0, x + kSheenWidth, 0);
  sheen.setColorAt(0, QColor(255, 255, 255, 0));
  sheen.setColorAt(0.5, QColor(255, 255, 255, 70));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  painter.fillRect(rect(), sheen);
}

}  // namespace kelbrin::gui
