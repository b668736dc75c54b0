#include "gui/PlatformPlugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

namespace kelbrin::gui {

std::set<std::string> InstalledPlatformPlugins() {
  // Where Qt itself looks: its plugin folders (QT_PLUGIN_PATH and the installed one), each with
  // platforms/, and QT_QPA_PLATFORM_PLUGIN_PATH.
  QStringList folders;
  for (const QString& path : QCoreApplication::libraryPaths()) {
    folders << path + QStringLiteral("/platforms");
  }
  const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.isEmpty()) folders << own;

  std::set<std::string> keys;
  for (const QString& folder : folders) {
    const QDir dir(folder);
    for (const QString& file : dir.entryList({QStringLiteral("*.so")}, QDir::Files)) {
      const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
      for (const QJsonValue key : meta.value(QStringLiteral("MetaData"))
                                      .toObject()
                                      .value(QStringLiteral("Keys"))
                                      .toArray()) {
        keys.insert(key.toString().toLower().toStdString());
      }
    }
  }
  return keys;
}

}  // namespace kelbrin::gui
