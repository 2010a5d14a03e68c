// Decoding of the pictures the program carries: PNG through libpng, the bitmap by Qt's reader.
#include <png.h>

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstring>

#include "linux/pictures.h"

namespace verdalin {

QImage DecodePng(const unsigned char* data, std::size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, data, size) == 0) return {};
  image.format = PNG_FORMAT_RGBA;
  QImage decoded(static_cast<int>(image.width), static_cast<int>(image.height),
                 QImage::Format_RGBA8888);
  if (decoded.isNull() || png_image_finish_read(&image, nullptr, decoded.bits(),
                                                decoded.bytesPerLine(), nullptr) == 0) {
    png_image_free(&image);
    return {};
  }
  return decoded;
}

QImage DecodeBitmap(const unsigned char* data, std::size_t size) {
  if (size < 54 || data[0] != 'B' || data[1] != 'M') return {};
  return QImage::fromData(data, static_cast<int>(size), "BMP");
}

QFont MakeLinkFont(double dots_per_inch) {
  QFont font(QStringLiteral("Arial Narrow"));
  font.setPixelSize(static_cast<int>(std::lround(10.0 * dots_per_inch / 72.0)));
  font.setBold(true);
  font.setUnderline(true);
  font.setItalic(false);
  font.setStrikeOut(false);
  return font;
}

FrontEndResources LoadFrontEndResources() {
  FrontEndResources resources;
  const QScreen* screen = QGuiApplication::primaryScreen();
  resources.link_font = MakeLinkFont(screen != nullptr ? screen->logicalDotsPerInchY() : 96.0);
  resources.banner = QPixmap::fromImage(DecodePng(kBannerPng, kBannerPngSize));
  resources.globe = QPixmap::fromImage(DecodeBitmap(kGlobeBmp, kGlobeBmpSize));
  resources.icon = QIcon(QPixmap::fromImage(DecodePng(kIconPng, kIconPngSize)));
  return resources;
}

}  // namespace verdalin
