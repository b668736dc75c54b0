#include "gui/WrappingLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace kelbrin::gui {

namespace {

const QString kEllipsis = QStringLiteral("…");

QTextOption WrapOption(Qt::Alignment alignment) {
  QTextOption option(alignment);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  return option;
}

}  // namespace

WrappingLabel::WrappingLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);  // the size policy asks the layout for heightForWidth
}

QSize WrappingLabel::TextSize(const QFont& font, int width, const QString& text) {
  QTextLayout layout(text, font);
  layout.setTextOption(WrapOption(Qt::AlignLeft));
  layout.beginLayout();
  qreal height = 0;
  qreal widest = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(std::max(width, 1));
    line.setPosition(QPointF(0, height));
    height += line.height();
    widest = std::max(widest, line.naturalTextWidth());
  }
  layout.endLayout();
  return {static_cast<int>(std::ceil(widest)), static_cast<int>(std::ceil(height))};
}

QString WrappingLabel::FitText(const QFont& font, const QSize& box, const QString& text) {
  const auto fits = [&](const QString& candidate) {
    const QSize size = TextSize(font, box.width(), candidate);
    return size.width() <= box.width() && size.height() <= box.height();
  };
  if (fits(text)) return text;
  // Fewer characters never need more lines, so the longest fitting beginning is found by halving.
  qsizetype low = 0;
  qsizetype high = text.size();
  while (low < high) {
    const qsizetype middle = (low + high + 1) / 2;
    if (fits(text.left(middle).trimmed() + kEllipsis)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return text.left(low).trimmed() + kEllipsis;
}

void WrappingLabel::SetWholeText(const QString& text) {
  setText(text);
  Refit();
}

QString WrappingLabel::Shown() const { return FitText(font(), contentsRect().size(), text()); }

// Only the tooltip follows the rectangle; the text itself stays whole.
void WrappingLabel::Refit() { setToolTip(IsElided() ? text() : QString()); }

int WrappingLabel::heightForWidth(int width) const {
  const QMargins margins = contentsMargins();
  const int inner = width - margins.left() - margins.right();
  return TextSize(font(), inner, text()).height() + margins.top() + margins.bottom();
}

QSize WrappingLabel::sizeHint() const {
  const QMargins margins = contentsMargins();
  const QSize oneLine = TextSize(font(), QWIDGETSIZE_MAX, text());
  return oneLine.grownBy(margins).expandedTo(QSize(0, fontMetrics().height()));
}

// Any width will do: the text wraps inside its words where it must.
QSize WrappingLabel::minimumSizeHint() const {
  const QMargins margins = contentsMargins();
  return QSize(fontMetrics().averageCharWidth() * 4, fontMetrics().height()).grownBy(margins);
}

void WrappingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  painter.setFont(font());
  painter.drawText(QRectF(contentsRect()), Shown(), WrapOption(alignment()));
}

void WrappingLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Refit();
}

void WrappingLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) Refit();
}

}  // namespace kelbrin::gui
