#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

namespace kelbrin::gui {

// The program's pictures are JPEGs decoded with libjpeg.
class JpegImage {
 public:
  // Decodes JPEG bytes; a null image when they are not a JPEG libjpeg can read.
  static QImage Decode(const QByteArray& bytes);
  // A picture of the program's resources by name, e.g. "ANIMATE_BKGROUND_BMP".
  static QImage FromResource(const QString& name);
};

// A small icon of the program's resources by name, e.g. "LOG_TIP" (PNG: icons need transparency).
QIcon ProgramIcon(const QString& name);

}  // namespace kelbrin::gui
