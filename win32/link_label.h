// The home page link: a self-painted STATIC with a hand cursor that turns blue under the mouse.
#pragma once

#include <windows.h>

namespace verdalin {

// "Arial Narrow", 10 points at the screen's vertical DPI, bold, underlined; null on failure.
HFONT CreateLinkFont();
// The height of a font of `points` points for a screen of `dpi` pixels per inch, negative.
int FontHeight(int points, int dpi);

// Takes over the painting and mouse handling of a STATIC control (made with SS_NOTIFY).
void MakeLinkLabel(HWND control);
// Whether the mouse pointer is over the link (it is then drawn blue).
bool LinkHovered(HWND control);

inline constexpr COLORREF kLinkHoverColour = RGB(0, 0, 255);

}  // namespace verdalin
