#include "gui/PageButtonRow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "gui/JpegImage.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

const QColor PageButtonRow::kSelectedColor(0xff, 0x00, 0x00);
const QColor PageButtonRow::kIndicatorColor(0x00, 0x80, 0x00);
const QColor PageButtonRow::kLabelColor(0x00, 0x00, 0x00);

// The thin shape below a button; only its pen colour changes.
class PageButtonRow::Indicator final : public QWidget {
 public:
  explicit Indicator(QWidget* parent) : QWidget(parent) {
    setFixedHeight(3);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  void setPen(const QColor& color) {
    pen_ = color;
    update();
  }
  QColor pen() const { return pen_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(QRect(8, 0, width() - 16, 2), pen_);
  }

 private:
  QColor pen_;
};

namespace {

// The page buttons' labels, by page.
const char* const kButtonLabels[PageButtonRow::kPageCount] = {
    runtime::Translatable("State"), runtime::Translatable("Network"),
    runtime::Translatable("Domain"), runtime::Translatable("Service"),
    runtime::Translatable("Log ")};

void setTextColor(QLabel* label, const QColor& color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
}

}  // namespace

PageButtonRow::PageButtonRow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panel13"));
  setAttribute(Qt::WA_StyledBackground);
  setFixedHeight(32);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 3, 4, 0);
  row->setSpacing(0);
  for (int page = 0; page < kPageCount; ++page) {
    const auto index = static_cast<std::size_t>(page);
    auto* button = new QWidget(this);
    button->setObjectName(QStringLiteral("PageButton%1").arg(page));
    button->setCursor(Qt::PointingHandCursor);
    auto* picture = new QLabel(button);
    picture->setObjectName(QStringLiteral("PageImage%1").arg(page));
    picture->setPixmap(
        QPixmap::fromImage(JpegImage::fromResource(QStringLiteral("PAGE_%1_BMP").arg(page))));
    picture->setFixedSize(20, 20);
    auto* label = new QLabel(UiText(kButtonLabels[page]), button);
    label->setObjectName(QStringLiteral("PageLabel%1").arg(page));
    auto* indicator = new Indicator(button);
    indicator->setObjectName(QStringLiteral("PageShape%1").arg(page));

    auto* face = new QGridLayout(button);
    face->setContentsMargins(0, 0, 0, 0);
    face->setHorizontalSpacing(5);
    face->setVerticalSpacing(2);
    face->setColumnStretch(0, 1);
    face->setColumnStretch(3, 1);
    face->addWidget(picture, 0, 1);
    face->addWidget(label, 0, 2);
    face->addWidget(indicator, 1, 0, 1, 4);
    row->addWidget(button, 1);

    picture->installEventFilter(this);
    label->installEventFilter(this);
    pictures_[index] = picture;
    labels_[index] = label;
    indicators_[index] = indicator;
  }
  setSelected(0);
}

void PageButtonRow::setSelected(int page) {
  if (page < 0 || page >= kPageCount) return;
  selected_ = page;
  for (int other = 0; other < kPageCount; ++other) {
    const auto index = static_cast<std::size_t>(other);
    const bool chosen = other == page;
    indicators_[index]->setPen(chosen ? kSelectedColor : kIndicatorColor);
    setTextColor(labels_[index], chosen ? kSelectedColor : kLabelColor);
  }
}

QColor PageButtonRow::labelColor(int page) const {
  return labels_[static_cast<std::size_t>(page)]->palette().color(QPalette::WindowText);
}

QColor PageButtonRow::indicatorColor(int page) const {
  return indicators_[static_cast<std::size_t>(page)]->pen();
}

bool PageButtonRow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (int page = 0; page < kPageCount; ++page) {
      const auto index = static_cast<std::size_t>(page);
      if (watched == pictures_[index] || watched == labels_[index]) {
        Q_EMIT pageClicked(page);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelbrin::gui
