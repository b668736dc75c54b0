#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelbrin::gui {

QTranslator* LoadQtTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  // qtbase_zh_CN.qm for zh_CN, and so on; "qtbase" holds the widgets' texts.
  if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
    return translator;
  }
  delete translator;
  return nullptr;
}

}  // namespace kelbrin::gui
