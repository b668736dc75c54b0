#pragma once

#include <QLabel>
#include <QString>

namespace kelbrin::gui {

// A plain-text label that never cuts its text at its edges: the text wraps at word boundaries
// and, where one word is wider than a line (an IPv6 address, a long domain name), inside that
// word. When even so the whole text does not fit the label's rectangle, the label shows its
// longest beginning that fits, ended with "…", and the whole text as its tooltip.
class WrappingLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit WrappingLabel(QWidget* parent = nullptr);

  // Use this instead of setText: text() stays the whole text, the label draws what fits of it.
  void SetWholeText(const QString& text);
  // What the label draws in its rectangle now: text(), or its beginning ended with "…".
  QString Shown() const;
  bool IsElided() const { return Shown() != text(); }

  // The size `text` takes in `font` laid out in lines of at most `width` pixels, as drawn here.
  static QSize TextSize(const QFont& font, int width, const QString& text);
  // `text` when it fits `box` laid out as drawn here, else its longest beginning that fits,
  // ended with "…".
  static QString FitText(const QFont& font, const QSize& box, const QString& text);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Refit();
};

}  // namespace kelbrin::gui
