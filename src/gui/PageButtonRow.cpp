#include "gui/PageButtonRow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
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

// One drawn button: the whole face takes the click. Focus by Tab, or by its label's mnemonic
// (the label's buddy), shows a dotted frame; the mnemonic, Space and Return choose the page.
class PageButtonRow::PageButton final : public QWidget {
 public:
  PageButton(int page, PageButtonRow* row) : QWidget(row), page_(page), row_(row) {
    setFocusPolicy(Qt::TabFocus);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) {
      Q_EMIT row_->pageClicked(page_);
      return;
    }
    QWidget::mousePressEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Space:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Q_EMIT row_->pageClicked(page_);
        return;
      default:
        QWidget::keyPressEvent(event);
    }
  }
  void focusInEvent(QFocusEvent* event) override {
    QWidget::focusInEvent(event);
    if (event->reason() == Qt::ShortcutFocusReason) Q_EMIT row_->pageClicked(page_);
    update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QWidget::focusOutEvent(event);
    update();
  }
  void paintEvent(QPaintEvent*) override {
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(PageButtonRow::kSelectedColor, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(1, 0, -2, -5));
  }

 private:
  int page_;
  PageButtonRow* row_;
};

namespace {

// The page buttons' labels, by page; each mnemonic is free in the menu bar and on the pages.
const char* const kButtonLabels[PageButtonRow::kPageCount] = {
    runtime::Translatable("St&ate"), runtime::Translatable("&Network"),
    runtime::Translatable("Do&main"), runtime::Translatable("Ser&vice"),
    runtime::Translatable("&Log ")};

void SetTextColor(QLabel* label, const QColor& color) {
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
    auto* button = new PageButton(page, this);
    button->setObjectName(QStringLiteral("PageButton%1").arg(page));
    button->setCursor(Qt::PointingHandCursor);
    auto* picture = new QLabel(button);
    picture->setObjectName(QStringLiteral("PageImage%1").arg(page));
    picture->setPixmap(
        QPixmap::fromImage(JpegImage::FromResource(QStringLiteral("PAGE_%1_BMP").arg(page))));
    picture->setFixedSize(20, 20);
    auto* label = new QLabel(UiText(kButtonLabels[page]), button);
    label->setObjectName(QStringLiteral("PageLabel%1").arg(page));
    label->setBuddy(button);
    auto* indicator = new Indicator(button);
    indicator->setObjectName(QStringLiteral("PageShape%1").arg(page));
    for (QWidget* part : {static_cast<QWidget*>(picture), static_cast<QWidget*>(label)}) {
      part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

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

    buttons_[index] = button;
    pictures_[index] = picture;
    labels_[index] = label;
    indicators_[index] = indicator;
  }
  SetSelected(0);
}

QWidget* PageButtonRow::buttonOf(int page) const {
  return buttons_[static_cast<std::size_t>(page)];
}

void PageButtonRow::SetSelected(int page) {
  if (page < 0 || page >= kPageCount) return;
  selected_ = page;
  for (int other = 0; other < kPageCount; ++other) {
    const auto index = static_cast<std::size_t>(other);
    const bool chosen = other == page;
    indicators_[index]->setPen(chosen ? kSelectedColor : kIndicatorColor);
    SetTextColor(labels_[index], chosen ? kSelectedColor : kLabelColor);
  }
}

QColor PageButtonRow::LabelColor(int page) const {
  return labels_[static_cast<std::size_t>(page)]->palette().color(QPalette::WindowText);
}

QColor PageButtonRow::IndicatorColor(int page) const {
  return indicators_[static_cast<std::size_t>(page)]->pen();
}

}  // namespace kelbrin::gui
