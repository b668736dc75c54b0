#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace kelbrin::gui {

// A line of text drawn over a picture in the user's language (the pictures carry no text of
// their own): within `box`, vertically centred, cut with "…" when the language needs more room.
struct CaptionLine {
  QString text;
  QRect box;
  int pixelSize;
  bool bold;
  QColor colour;
};

// `picture` with `lines` drawn over it.
QImage WithCaptions(QImage picture, std::initializer_list<CaptionLine> lines);

// The main window's banner and the about box's picture with their translated texts.
QImage BannerPicture();
QImage AboutPicture();

}  // namespace kelbrin::gui
