#include "gui/ProgramFont.h"

#include <QStringList>

namespace kelbrin::gui {

QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                    QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(12);
  return font;
}

}  // namespace kelbrin::gui
