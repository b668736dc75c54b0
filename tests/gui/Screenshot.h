#pragma once

#include <QDir>
#include <QImage>
#include <QtTest>

// With KELBRIN_SCREENSHOT_DIR set, a test saves what it rendered there as PNG (docs/screenshots).
inline void keepScreenshot(const QImage& image, const QString& name) {
  const QString dir = qEnvironmentVariable("KELBRIN_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QVERIFY(image.save(QDir(dir).filePath(name), "PNG"));
}
