#include "gui/JpegImage.h"

// clang-format off
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <jpeglib.h>
// clang-format on

#include <QFile>
#include <csetjmp>

// Resources of a static library must be registered by name, outside any namespace.
static void registerPictures() { Q_INIT_RESOURCE(kelbrin); }

namespace kelbrin::gui {

namespace {

// Guards against a corrupt header asking for a huge allocation.
constexpr JDIMENSION kMaxSide = 8192;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void leaveOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void ignoreMessage(j_common_ptr) {}

void ensureResources() {
  static const bool registered = (registerPictures(), true);
  Q_UNUSED(registered);
}

// libjpeg reports errors by a jump back here; nothing with a destructor lives in this frame
// (the image belongs to the caller), so the jump skips no clean-up.
bool decodeInto(const unsigned char* data, unsigned long size, QImage* out) {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.base);
  error.base.error_exit = leaveOnError;
  error.base.output_message = ignoreMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > kMaxSide || cinfo.image_height > kMaxSide) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  *out = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                QImage::Format_RGB888);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage JpegImage::decode(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  QImage image;
  if (!decodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<unsigned long>(bytes.size()), &image)) {
    return {};
  }
  return image;
}

QImage JpegImage::fromResource(const QString& name) {
  ensureResources();
  QFile file(QStringLiteral(":/pictures/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return decode(file.readAll());
}

QIcon ProgramIcon(const QString& name) {
  ensureResources();
  return QIcon(QStringLiteral(":/icons/") + name);
}

}  // namespace kelbrin::gui
