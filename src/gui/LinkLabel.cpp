#include "gui/LinkLabel.h"

#include <QMouseEvent>

namespace kelbrin::gui {

namespace {
const QColor kLinkBlue(0x00, 0x00, 0xff);
const QColor kHoverRed(0xff, 0x00, 0x00);
}  // namespace

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  SetColor(kLinkBlue);
}

void LinkLabel::SetUnderline(bool underline) {
  QFont face = font();
  face.setUnderline(underline);
  setFont(face);
}

void LinkLabel::SetColor(const QColor& color) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, color);
  setPalette(palette);
}

QColor LinkLabel::Color() const { return palette().color(QPalette::WindowText); }

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

// A click is a press and a release over the link, like a button.
void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) Q_EMIT clicked();
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  if (hover_ == Hover::RedOnHover) {
    setCursor(Qt::PointingHandCursor);
    SetColor(kHoverRed);
    SetUnderline(true);
  }
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  if (hover_ == Hover::RedOnHover) {
    unsetCursor();
    SetColor(kLinkBlue);
    SetUnderline(false);
  }
  QLabel::leaveEvent(event);
}

}  // namespace kelbrin::gui
