// The home page link: painting over the parent's colours, mouse capture for hovering, clicks.
#include "win32/link_label.h"

#include <commctrl.h>

#include <string>

#include "ui/control_table.h"

namespace verdalin {

namespace {

constexpr UINT_PTR kLinkSubclassId = 0x4C4B;  // "LK"
constexpr char kHoverProperty[] = "VerdalinLinkHover";

void SetHovered(HWND control, bool hovered) {
  SetPropA(control, kHoverProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(hovered)));
  InvalidateRect(control, nullptr, FALSE);
}

// One line from the top-left corner, clipped, over the brush and in the colour the parent gives.
void Paint(HWND control) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(control, &paint);
  RECT client;
  GetClientRect(control, &client);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(control)));
  FillRect(dc, &client, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
  if (LinkHovered(control)) SetTextColor(dc, kLinkHoverColour);
  SetBkMode(dc, TRANSPARENT);
  const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  const HGDIOBJ old_font = font != nullptr ? SelectObject(dc, font) : nullptr;
  char text[256] = {};
  GetWindowTextA(control, text, sizeof(text));
  DrawTextA(dc, text, -1, &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  if (old_font != nullptr) SelectObject(dc, old_font);
  EndPaint(control, &paint);
}

bool PointerInside(HWND control, LPARAM lparam) {
  const POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  RECT client;
  GetClientRect(control, &client);
  return PtInRect(&client, point) != 0;
}

// The first move over the link captures the mouse; the first move outside releases it.
void TrackHover(HWND control, LPARAM lparam) {
  const bool inside = PointerInside(control, lparam);
  if (inside && !LinkHovered(control)) {
    SetCapture(control);
    SetHovered(control, true);
  } else if (!inside && LinkHovered(control)) {
    ReleaseCapture();  // WM_CAPTURECHANGED clears the hover
  }
}

LRESULT CALLBACK LinkProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                          DWORD_PTR) {
  switch (message) {
    case WM_PAINT:
      Paint(control);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR: {
      HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
      SetCursor(hand != nullptr ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
      return TRUE;
    }
    case WM_MOUSEMOVE:
      TrackHover(control, lparam);
      return 0;
    case WM_CAPTURECHANGED:
      if (LinkHovered(control)) SetHovered(control, false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the click is the button's release, below
      return 0;
    case WM_LBUTTONUP:
      if (PointerInside(control, lparam))
        SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), STN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
      return 0;
    case WM_NCDESTROY:
      RemovePropA(control, kHoverProperty);
      RemoveWindowSubclass(control, LinkProc, kLinkSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace

int FontHeight(int points, int dpi) {
  return -MulDiv(points, dpi, 72);
}

HFONT CreateLinkFont() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return CreateFontA(FontHeight(kLinkFontPoints, dpi), 0, 0, 0, FW_BOLD, FALSE, TRUE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, std::string(kLinkFontFace).c_str());
}

bool LinkHovered(HWND control) {
  return GetPropA(control, kHoverProperty) != nullptr;
}

void MakeLinkLabel(HWND control) {
  SetWindowSubclass(control, LinkProc, kLinkSubclassId, 0);
}

}  // namespace verdalin
