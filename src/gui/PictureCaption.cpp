#include "gui/PictureCaption.h"

#include <QFontMetrics>
#include <QPainter>

#include "gui/JpegImage.h"
#include "gui/ProgramFont.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

namespace {
const QColor kTitleColour(Qt::white);
const QColor kLineColour(0xb9, 0xd6, 0xff);
}  // namespace

QImage WithCaptions(QImage picture, std::initializer_list<CaptionLine> lines) {
  if (picture.isNull()) return picture;
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::TextAntialiasing);
  for (const CaptionLine& line : lines) {
    // The program's face where it has the glyphs (the Chinese ones), a sans face for the rest.
    QFont font = ProgramFont();
    font.setPixelSize(line.pixelSize);
    font.setBold(line.bold);
    painter.setFont(font);
    painter.setPen(line.colour);
    const QString shown =
        QFontMetrics(font).elidedText(line.text, Qt::ElideRight, line.box.width());
    painter.drawText(line.box, Qt::AlignLeft | Qt::AlignVCenter, shown);
  }
  return picture;
}

QImage BannerPicture() {
  return WithCaptions(
      JpegImage::FromResource(QStringLiteral("BANNER_BMP")),
      {{UiText("Kelbrin Dynamic DNS"), QRect(16, 4, 380, 28), 20, true, kTitleColour},
       {UiText("Your domain names follow your address, wherever you are."), QRect(17, 31, 420, 18),
        11, false, kLineColour}});
}

QImage AboutPicture() {
  return WithCaptions(JpegImage::FromResource(QStringLiteral("ABOUT_BMP")),
                      {{UiText("Kelbrin Client"), QRect(78, 14, 275, 32), 22, true, kTitleColour},
                       {UiText("Dynamic DNS for desktops and servers"), QRect(80, 46, 275, 20), 11,
                        false, kLineColour}});
}

}  // namespace kelbrin::gui
