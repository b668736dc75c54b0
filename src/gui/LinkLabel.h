#pragma once

#include <QLabel>

namespace kelbrin::gui {

// A text link: blue with a hand cursor; a left click emits clicked(). Its address is kept where
// the owner wants it (the tooltip, as a rule, which the user sees as the link's hint).
class LinkLabel final : public QLabel {
  Q_OBJECT

 public:
  // How the link answers the mouse: Plain keeps its look; RedOnHover turns red and underlined
  // while the mouse is over it and blue without the underline once it leaves.
  enum class Hover { Plain, RedOnHover };

  explicit LinkLabel(const QString& text = {}, QWidget* parent = nullptr);

  void SetHover(Hover hover) { hover_ = hover; }
  void SetUnderline(bool underline);
  void SetColor(const QColor& color);
  QColor Color() const;

 Q_SIGNALS:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Hover hover_ = Hover::Plain;
  bool pressed_ = false;
};

}  // namespace kelbrin::gui
