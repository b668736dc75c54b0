#include "gui/JpegImage.h"

// clang-format off
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <jpeglib.h>
// clang-format on

#include <QFile>
#include <csetjmp>

// Resources of a static library must be registered by name, outside any namespace.
static void RegisterPictures() { Q_INIT_RESOURCE(kelbrin); }

namespace kelbrin::gui {

namespace {

// Guards against a corrupt header asking for a huge allocation.
constexpr JDIMENSION kMaxSide = 8192;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void LeaveOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void IgnoreMessage(j_common_ptr) {}

void EnsureResources() {
  static const bool registered = (RegisterPictures(), true);
  Q_UNUSED(registered);
}

// libjpeg reports errors by a jump back here; nothing with a destructor lives in this frame
// (the image belongs to the caller), so the jump skips no clean-up.
bool DecodeInto(const unsigned char* data, unsigned long size, QImage* out) {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.base);
  error.base.error_exit = LeaveOnError;
  error.base.output_message = IgnoreMessage;
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

QImage JpegImage::Decode(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  QImage image;
  if (!DecodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<unsigned long>(bytes.size()), &image)) {
    return {};
  }
  return image;
}

QImage JpegImage::FromResource(const QString& name) {
  EnsureResources();
  QFile file(QStringLiteral(":/pictures/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return Decode(file.readAll());
}

QIcon ProgramIcon(const QString& name) {
  EnsureResources();
  return QIcon(QStringLiteral(":/icons/") + name);
}

}  // namespace kelbrin::gui
