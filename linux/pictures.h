// The pictures the program carries in its executable, and the link font.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstddef>

namespace verdalin {

// Generated from resources/ by the build (cmake/EmbedFiles.cmake).
extern const unsigned char kBannerPng[];
extern const std::size_t kBannerPngSize;
extern const unsigned char kGlobeBmp[];
extern const std::size_t kGlobeBmpSize;
extern const unsigned char kIconPng[];
extern const std::size_t kIconPngSize;

// Decodes PNG data with libpng into a 32-bit image; a null image when the data is not a PNG.
QImage DecodePng(const unsigned char* data, std::size_t size);
// Reads an uncompressed device-independent bitmap (a BMP file image); null when it is not one.
QImage DecodeBitmap(const unsigned char* data, std::size_t size);

// What the front end loads before the core starts: the two pictures, the icon and font 1.
struct FrontEndResources {
  QPixmap banner;  // 480 x 94
  QPixmap globe;   // 224 x 245
  QIcon icon;      // window and tray icon
  QFont link_font;
};

// Needs the QApplication: pixmaps and the screen's resolution.
FrontEndResources LoadFrontEndResources();

// "Arial Narrow", bold, underlined, 10 points at the screen's vertical resolution, rounded to
// whole pixels as the Windows program computes it.
QFont MakeLinkFont(double dots_per_inch);

}  // namespace verdalin
