// The window's two pictures, built into the executable, and the link font: what the front end
// loads before the core starts.
#pragma once

#include <windows.h>

#include <cstddef>

namespace verdalin {

// Resource identifiers in verdalin.rc.
inline constexpr int kBannerResource = 101;  // RCDATA: PNG data, 480 x 94
inline constexpr int kGlobeResource = 102;   // BITMAP: uncompressed 24-bit DIB, 224 x 245

// A 24-bit top-down DIB section decoded from PNG data; transparent parts on white. Null when
// the data is not a PNG libpng can read.
HBITMAP DecodePng(const void* data, std::size_t size);
HBITMAP LoadBanner(HINSTANCE instance);
HBITMAP LoadGlobe(HINSTANCE instance);

// Pictures and font loaded before the window is built; the window does not own them.
struct WindowResources {
  HBITMAP banner = nullptr;
  HBITMAP globe = nullptr;
  HFONT link_font = nullptr;
};

// The two pictures and font 1 ("Arial Narrow", bold, underlined, 10 points).
WindowResources LoadWindowResources(HINSTANCE instance);
void ReleaseWindowResources(const WindowResources& resources);

}  // namespace verdalin
