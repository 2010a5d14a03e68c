// Balloon tooltips of the main window's controls.
#pragma once

#include <windows.h>

#include <string>

namespace verdalin {

// Creates one balloon tooltip window for `control`, owned by `owner`; the title (with `icon`, 1
// the information icon) only when not empty. Returns the tooltip window, null on failure.
HWND AttachBalloonTooltip(HWND owner, HWND control, const std::string& body,
                          const std::string& title, int icon);

inline constexpr int kTooltipMaxWidth = 180;

}  // namespace verdalin
