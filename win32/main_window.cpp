// The Win32 main window: class, controls from the control table, status bar, colours, the loop.
#include "win32/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/control_table.h"
#include "win32/link_label.h"
#include "win32/tooltips.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct WindowKind {
  const char* window_class;
  DWORD style;
  DWORD ex_style;
};

DWORD AlignmentStyle(TextAlignment alignment) {
  if (alignment == TextAlignment::kCentre) return SS_CENTER;
  if (alignment == TextAlignment::kRight) return SS_RIGHT;
  return SS_LEFT;
}

DWORD FieldStyle(const ControlSpec& control_row) {
  DWORD style = ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP;
  if (control_row.masked) style |= ES_PASSWORD;
  if (control_row.digits_only) style |= ES_NUMBER;
  if (control_row.read_only) style |= ES_READONLY;
  return style;
}

// The window class and styles that realise a kind of control.
WindowKind KindOf(const ControlSpec& control_row) {
  switch (control_row.kind) {
    case ControlKind::kPushButton:
      return {"BUTTON", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0};
    case ControlKind::kTextField:
      return {"EDIT", FieldStyle(control_row), WS_EX_CLIENTEDGE};
    case ControlKind::kLabel:
      return {"STATIC", AlignmentStyle(control_row.alignment) | WS_GROUP, 0};
    case ControlKind::kGroupFrame:
      return {"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kDropDownList:
      return {"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::kImage:  // drawn under the other controls: the address field lies on the
                               // banner
      return {"STATIC", SS_BITMAP | WS_CLIPSIBLINGS, 0};
    case ControlKind::kVerticalGauge:
      return {PROGRESS_CLASSA, PBS_SMOOTH | PBS_VERTICAL, 0};
    case ControlKind::kLinkLabel:
      return {"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case ControlKind::kCheckBox:
      return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
  }
  return {"STATIC", 0, 0};
}

// Status appearance bits to the status bar's drawing flags and text prefix.
WPARAM StatusFlags(int appearance) {
  if (appearance & kRaised) return SBT_POPOUT;
  if (appearance & kBorderless) return SBT_NOBORDERS;
  return 0;
}

const char* StatusPrefix(int appearance) {
  if (appearance & kCentred) return "\t";
  if (appearance & kRightAligned) return "\t\t";
  return "";
}

std::string WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const WindowResources& resources, EventSink& events)
    : instance_(instance), resources_(resources), events_(&events) {}

// Taking the window down reports nothing.
MainWindow::~MainWindow() {
  events_ = nullptr;
  if (window_ != nullptr) DestroyWindow(window_);
  if (white_brush_ != nullptr) DeleteObject(white_brush_);
}

HWND MainWindow::Control(int id) const {
  if (id < 0 || id >= kControlCount) return nullptr;
  return controls_[static_cast<std::size_t>(id)];
}

bool MainWindow::RegisterWindowClass() {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageA(instance_, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&window_class) != 0;
}

void MainWindow::Build(const InterfaceTexts& texts) {
  taskbar_created_ = RegisterWindowMessageA("TaskbarCreated");
  RegisterWindowClass();
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, kFrameStyle, FALSE);
  window_ = CreateWindowExA(0, kMainWindowClass, std::string(kWindowTitle).c_str(), kFrameStyle,
                            kWindowX, kWindowY, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return;
  CreateStatusBar(texts);
  CreateControls(texts);
  SetWhiteBackground();
  SetForegroundWindow(window_);
}

void MainWindow::CreateStatusBar(const InterfaceTexts& texts) {
  status_bar_ = CreateStatusWindowA(kChild, "", window_, kStatusBarId);
  if (status_bar_ == nullptr) return;
  int edges[kStatusFields.size()];
  for (std::size_t i = 0; i < kStatusFields.size(); ++i) edges[i] = kStatusFields[i].right_edge;
  SendMessageA(status_bar_, SB_SETPARTS, kStatusFields.size(), reinterpret_cast<LPARAM>(edges));
  for (std::size_t i = 0; i < kStatusFields.size(); ++i)
    SetStatusText(static_cast<int>(i), texts.Text(kStatusFields[i].initial_slot),
                  kStatusFields[i].initial_appearance);
}

void MainWindow::CreateControls(const InterfaceTexts& texts) {
  const HGDIOBJ gui_font = GetStockObject(DEFAULT_GUI_FONT);
  for (const ControlSpec& control_row : ControlTable()) {
    const WindowKind kind = KindOf(control_row);
    const HWND control = CreateWindowExA(
        kind.ex_style, kind.window_class, texts.Text(control_row.text_slot).c_str(),
        kChild | kind.style, control_row.x, control_row.y, control_row.width, control_row.height,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_row.id)), instance_, nullptr);
    controls_[static_cast<std::size_t>(control_row.id)] = control;
    if (control == nullptr) continue;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font), FALSE);
    if (control_row.max_length > 0) SendMessageA(control, EM_LIMITTEXT, control_row.max_length, 0);
    if (control_row.kind == ControlKind::kVerticalGauge)
      SendMessageA(control, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    if (control_row.kind == ControlKind::kImage) {
      const HBITMAP picture =
          control_row.image == kBannerPicture ? resources_.banner : resources_.globe;
      SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
      SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (control_row.kind == ControlKind::kLinkLabel) MakeLinkLabel(control);
    if (control_row.tooltip_title != kNoText)
      AttachBalloonTooltip(window_, control, texts.Text(control_row.tooltip_body),
                           texts.Text(control_row.tooltip_title), 1);
    if (control_row.kind == ControlKind::kLinkLabel && resources_.link_font != nullptr)
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(resources_.link_font), FALSE);
  }
}

void MainWindow::SetWhiteBackground() {
  if (window_ == nullptr) return;
  if (white_brush_ == nullptr) white_brush_ = CreateSolidBrush(RGB(255, 255, 255));
  SetClassLongPtrA(window_, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(white_brush_));
  InvalidateRect(window_, nullptr, TRUE);
}

LRESULT MainWindow::ControlColour(UINT message, WPARAM wparam, LPARAM lparam) {
  const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
  const ControlSpec* control_row = FindControlSpec(id);
  if (control_row != nullptr && control_row->black_on_white && white_brush_ != nullptr) {
    const HDC dc = reinterpret_cast<HDC>(wparam);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(white_brush_);
  }
  return DefWindowProcA(window_, message, wparam, lparam);
}

std::string MainWindow::GetControlText(int id) {
  return WindowText(Control(id));
}

void MainWindow::SetControlText(int id, const std::string& text) {
  if (const HWND control = Control(id)) SetWindowTextA(control, text.c_str());
}

int MainWindow::GetControlState(int id) {
  const HWND control = Control(id);
  if (control == nullptr) return 0;
  switch (FindControlSpec(id)->kind) {
    case ControlKind::kDropDownList:
      return static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
    case ControlKind::kCheckBox:
      return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case ControlKind::kVerticalGauge:
      return static_cast<int>(SendMessageA(control, PBM_GETPOS, 0, 0));
    default:
      return 0;
  }
}

void MainWindow::SetControlState(int id, int value) {
  const HWND control = Control(id);
  if (control == nullptr) return;
  switch (FindControlSpec(id)->kind) {
    case ControlKind::kDropDownList: {  // an index out of range clears the selection
      const LRESULT count = SendMessageA(control, CB_GETCOUNT, 0, 0);
      const int index = value >= 0 && value < count ? value : -1;
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      break;
    }
    case ControlKind::kCheckBox:
      SendMessageA(control, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::kVerticalGauge:
      SendMessageA(control, PBM_SETPOS, static_cast<WPARAM>(std::clamp(value, 0, 100)), 0);
      break;
    default:
      break;
  }
}

void MainWindow::AddListItem(int id, int position, const std::string& text) {
  if (const HWND control = Control(id))
    SendMessageA(control, CB_INSERTSTRING, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::SetStatusText(int field, const std::string& text, int appearance) {
  if (status_bar_ == nullptr) return;
  const std::string shown = text.empty() ? text : StatusPrefix(appearance) + text;
  SendMessageA(status_bar_, SB_SETTEXTA, static_cast<WPARAM>(field) | StatusFlags(appearance),
               reinterpret_cast<LPARAM>(shown.c_str()));
}

// Measured in the status bar's own font; the field's borders take a few pixels of its width.
bool MainWindow::StatusTextFits(int field, const std::string& text) {
  if (status_bar_ == nullptr) return false;
  RECT part = {};
  SendMessageA(status_bar_, SB_GETRECT, static_cast<WPARAM>(field),
               reinterpret_cast<LPARAM>(&part));
  const HDC dc = GetDC(status_bar_);
  const auto font = reinterpret_cast<HFONT>(SendMessageA(status_bar_, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(status_bar_, dc);
  constexpr LONG kBorders = 8;
  return size.cx <= part.right - part.left - kBorders;
}

std::string MainWindow::GetWindowTitle() {
  return WindowText(window_);
}

void MainWindow::SetWindowTitle(const std::string& title) {
  if (window_ != nullptr) SetWindowTextA(window_, title.c_str());
}

void MainWindow::HideWindow() {
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

void MainWindow::RestoreWindow() {
  if (window_ == nullptr) return;
  ::ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
}

bool MainWindow::IsMinimised() {
  return window_ != nullptr && IsIconic(window_);
}

void MainWindow::Run() {
  loop_ended_ = false;
  MSG message;
  while (!loop_ended_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (window_ == nullptr || !IsDialogMessageA(window_, &message)) {  // Tab moves the focus
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

// PostMessage is safe from any thread; the event comes back through the window procedure.
void MainWindow::Post(const Event& event) {
  if (window_ != nullptr)
    PostMessageA(window_, kPostedEventMessage, static_cast<WPARAM>(event.kind),
                 static_cast<LPARAM>(event.value));
}

void MainWindow::Report(const Event& event) {
  if (events_ != nullptr) events_->Dispatch(event);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->events_ == nullptr)
    return DefWindowProcA(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

// A drop-down list's pick is CBN_SELENDOK alone: a selection change while the list is open, its
// closing and its focus changes are plain notifications.
void MainWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const ControlSpec* control_row = FindControlSpec(id);
  const bool list = control_row != nullptr && control_row->kind == ControlKind::kDropDownList;
  if (lparam != 0 && list && HIWORD(wparam) == CBN_SELENDOK)
    Report({EventKind::kListPick, id});
  else if (lparam != 0)
    Report({EventKind::kControl, id});
  else if (HIWORD(wparam) == 0)
    Report({EventKind::kTrayMenuItem, id});
}

void MainWindow::OnTrayCallback(LPARAM mouse_message) {
  if (mouse_message == WM_RBUTTONDOWN) Report({EventKind::kTrayIconRightPress});
  if (mouse_message == WM_LBUTTONDBLCLK) Report({EventKind::kTrayIconDoubleClick});
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:  // the window stays: the settings are read from its controls at shutdown
      Report({EventKind::kCloseRequested});
      return 0;
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      return 0;
    case WM_TIMER:
      Report({EventKind::kTimerTick});
      return 0;
    case kPostedEventMessage:
      Report({static_cast<EventKind>(wparam), static_cast<int>(lparam)});
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ControlColour(message, wparam, lparam);
    case WM_SIZE:  // reported once the size change is over, so that hiding does not cut into it
      if (wparam == SIZE_MINIMIZED) Post({EventKind::kWindowMinimised});
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:  // the process may end at any moment after this: save now
      if (wparam) Report({EventKind::kSessionSaveRequest});
      return 0;
    default:
      break;
  }
  if (message == kTrayCallbackMessage) OnTrayCallback(lparam);  // and the default handling goes on
  if (message == taskbar_created_ && taskbar_created_ != 0) Report({EventKind::kTrayAreaBack});
  return DefWindowProcA(window_, message, wparam, lparam);
}

}  // namespace verdalin
