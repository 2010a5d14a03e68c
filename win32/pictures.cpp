// Pictures: the banner decoded from PNG data with libpng, the globe loaded as a DIB section, and
// the link font loaded with them.
#include "win32/pictures.h"

#include <png.h>

#include <cstring>
#include <initializer_list>

#include "win32/link_label.h"

namespace verdalin {

namespace {

// An empty 24-bit top-down DIB section of that size, with its bits.
HBITMAP CreateDib(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

HBITMAP DecodePng(const void* data, std::size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return nullptr;
  image.format = PNG_FORMAT_BGR;  // the byte order of a Windows DIB
  void* bits = nullptr;
  const HBITMAP bitmap =
      image.width > 0 && image.height > 0 && image.width <= 16384 && image.height <= 16384
          ? CreateDib(static_cast<int>(image.width), static_cast<int>(image.height), &bits)
          : nullptr;
  if (bitmap == nullptr) {
    png_image_free(&image);
    return nullptr;
  }
  const png_int_32 stride = static_cast<png_int_32>((image.width * 3 + 3) & ~3u);  // DWORD rows
  const png_color white = {255, 255, 255};
  if (!png_image_finish_read(&image, &white, bits, stride, nullptr)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HBITMAP LoadBanner(HINSTANCE instance) {
  const HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kBannerResource),
                                    MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (found == nullptr) return nullptr;
  const HGLOBAL loaded = LoadResource(instance, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return nullptr;
  return DecodePng(data, SizeofResource(instance, found));
}

HBITMAP LoadGlobe(HINSTANCE instance) {
  return static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(kGlobeResource), IMAGE_BITMAP,
                                         0, 0, LR_CREATEDIBSECTION));
}

WindowResources LoadWindowResources(HINSTANCE instance) {
  WindowResources resources;
  resources.link_font = CreateLinkFont();
  resources.banner = LoadBanner(instance);
  resources.globe = LoadGlobe(instance);
  return resources;
}

void ReleaseWindowResources(const WindowResources& resources) {
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(resources.link_font), static_cast<HGDIOBJ>(resources.banner),
        static_cast<HGDIOBJ>(resources.globe)})
    if (object != nullptr) DeleteObject(object);
}

}  // namespace verdalin
