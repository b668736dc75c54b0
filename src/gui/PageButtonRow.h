#pragma once

#include <QColor>
#include <QWidget>
#include <array>

class QLabel;

namespace kelbrin::gui {

// Panel13: the row of page buttons across the top of the page area. Each button is a picture,
// a label and a thin indicator line below them; the selected one shows its line and label in
// red, the others a green line and a black label. A click anywhere on a drawn button emits
// pageClicked with its page (the row's margins do nothing). Each button is also a Tab stop with
// a focus frame, taken by Space or Return, and its label's mnemonic (Alt+letter) chooses it.
class PageButtonRow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 5;
  static const QColor kSelectedColor;   // red
  static const QColor kIndicatorColor;  // green, the others' line
  static const QColor kLabelColor;      // black, the others' label

  explicit PageButtonRow(QWidget* parent = nullptr);

  void SetSelected(int page);
  int Selected() const { return selected_; }

  // What a button shows, for the tests and the screenshots.
  QColor LabelColor(int page) const;
  QColor IndicatorColor(int page) const;
  QLabel* PictureOf(int page) const { return pictures_[static_cast<std::size_t>(page)]; }
  QLabel* LabelOf(int page) const { return labels_[static_cast<std::size_t>(page)]; }
  QWidget* buttonOf(int page) const;

 Q_SIGNALS:
  void pageClicked(int page);

 private:
  class Indicator;
  class PageButton;

  std::array<PageButton*, kPageCount> buttons_{};
  std::array<QLabel*, kPageCount> pictures_{};
  std::array<QLabel*, kPageCount> labels_{};
  std::array<Indicator*, kPageCount> indicators_{};
  int selected_ = 0;
};

}  // namespace kelbrin::gui
