// Balloon tooltips: one ToolTips_Class32 window per control, system colours, 180-pixel lines.
#include "win32/tooltips.h"

#include <commctrl.h>

namespace verdalin {

HWND AttachBalloonTooltip(HWND owner, HWND control, const std::string& body,
                          const std::string& title, int icon) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  const HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_BALLOON | TTS_NOPREFIX, 0,
                                   0, 0, 0, owner, nullptr, instance, nullptr);
  if (tip == nullptr) return nullptr;
  SendMessageA(tip, TTM_SETTIPBKCOLOR, GetSysColor(COLOR_INFOBK), 0);
  SendMessageA(tip, TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_INFOTEXT), 0);
  SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, kTooltipMaxWidth);
  std::string text = body;  // the tool info wants a writable pointer
  TTTOOLINFOA tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = control;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.hinst = instance;
  tool.lpszText = text.data();
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  if (!title.empty())
    SendMessageA(tip, TTM_SETTITLEA, static_cast<WPARAM>(icon),
                 reinterpret_cast<LPARAM>(title.c_str()));
  return tip;
}

}  // namespace verdalin
