// The Win32 main window in-process: status appearances, control states, colours, link label and
// the event loop's sorting of messages into the application's events.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/recorded_events.h"
#include "ui/control_table.h"
#include "win32/link_label.h"
#include "win32/main_window.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

// Keeps the events; a close ends the loop.
class LoopEvents : public RecordedEvents {
 public:
  void Dispatch(const Event& event) override {
    RecordedEvents::Dispatch(event);
    if (event.kind == EventKind::kCloseRequested && window != nullptr) window->End();
  }
  MainWindow* window = nullptr;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    texts_.Load();
    events_.window = &window_;
    window_.Build(texts_);
    ASSERT_NE(window_.Handle(), nullptr);
  }

  std::string StatusText(int field, int* type) {
    char text[256] = {};
    const LRESULT result = SendMessageA(GetDlgItem(window_.Handle(), kStatusBarId), SB_GETTEXTA,
                                        static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(text));
    *type = HIWORD(result);
    return text;
  }

  // Drops what building the window queued, so that a loop sees only the test's messages.
  void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    events_.events.clear();
    events_.controls.clear();
  }

  InterfaceTexts texts_;
  LoopEvents events_;
  MainWindow window_{GetModuleHandleA(nullptr), WindowResources{}, events_};
};

}  // namespace

TEST_F(MainWindowTest, StatusAppearancesMapToBordersAndTabs) {
  struct Case {
    int appearance;
    const char* shown;
    int type;
  };
  const Case cases[] = {
      {kSunkenLeft, "x", 0},
      {kRaised | kCentred, "\tx", SBT_POPOUT},
      {kBorderless | kCentred, "\tx", SBT_NOBORDERS},
      {kRaised | kBorderless, "x", SBT_POPOUT},  // raised wins
      {kRightAligned, "\t\tx", 0},
      {kCentred | kRightAligned, "\tx", 0},  // centred wins
  };
  for (const Case& c : cases) {
    window_.SetStatusText(1, "x", c.appearance);
    int type = -1;
    EXPECT_EQ(StatusText(1, &type), c.shown) << c.appearance;
    EXPECT_EQ(type, c.type) << c.appearance;
  }
  window_.SetStatusText(0, "", kCentred);
  int type = -1;
  EXPECT_EQ(StatusText(0, &type), "");
  int edges[2] = {};
  SendMessageA(GetDlgItem(window_.Handle(), kStatusBarId), SB_GETPARTS, 2,
               reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], 380);
  EXPECT_EQ(edges[1], 502);
}

TEST_F(MainWindowTest, ControlStatesClampAndSelect) {
  window_.SetControlState(kQualityGauge, 125);
  EXPECT_EQ(window_.GetControlState(kQualityGauge), 100);
  window_.SetControlState(kQualityGauge, -5);
  EXPECT_EQ(window_.GetControlState(kQualityGauge), 0);
  window_.SetControlState(kQualityGauge, 42);
  EXPECT_EQ(window_.GetControlState(kQualityGauge), 42);

  window_.AddListItem(kPresetList, 0, "first");
  window_.AddListItem(kPresetList, 1, "second");
  EXPECT_EQ(window_.GetControlState(kPresetList), -1);
  window_.SetControlState(kPresetList, 1);
  EXPECT_EQ(window_.GetControlState(kPresetList), 1);
  EXPECT_EQ(window_.GetControlText(kPresetList), "second");
  window_.SetControlState(kPresetList, 5);  // out of range: no selection
  EXPECT_EQ(window_.GetControlState(kPresetList), -1);

  window_.SetControlState(kRunAtStartupBox, 7);
  EXPECT_EQ(window_.GetControlState(kRunAtStartupBox), 1);
  window_.SetControlState(kRunAtStartupBox, 0);
  EXPECT_EQ(window_.GetControlState(kRunAtStartupBox), 0);

  window_.SetControlText(kAddressField, std::string(3000, 'a'));  // the limit is for typing only
  EXPECT_EQ(window_.GetControlText(kAddressField).size(), 3000u);
  window_.SetWindowTitle(window_.GetWindowTitle() + " 1.7.2");
  EXPECT_EQ(window_.GetWindowTitle(), "Verdalin 1.7.2");  // the title is the program's to set
  EXPECT_EQ(window_.GetControlText(kStartButton), "Lancer");
  EXPECT_EQ(window_.GetControlText(kBrowseButton), "S\xe9lec. fichier sortie");
}

TEST_F(MainWindowTest, BlackOnWhiteOnlyForTheMarkedControls) {
  const HDC dc = CreateCompatibleDC(nullptr);
  struct Colours {
    COLORREF brush;
    COLORREF text;
    int background_mode;
  };
  const auto colours = [&](int id) {
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    const LRESULT brush =
        SendMessageA(window_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(window_.Control(id)));
    LOGBRUSH description = {};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof(description), &description);
    return Colours{description.lbColor, GetTextColor(dc), GetBkMode(dc)};
  };
  const Colours marked = colours(kLoginLabel);
  EXPECT_EQ(marked.brush, RGB(255, 255, 255));
  EXPECT_EQ(marked.text, RGB(0, 0, 0));
  EXPECT_EQ(marked.background_mode, TRANSPARENT);
  const Colours field = colours(kOutputFileField);  // fields keep the system's colours
  EXPECT_EQ(field.brush, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(field.background_mode, OPAQUE);
  LOGBRUSH background = {};
  GetObjectA(reinterpret_cast<HBRUSH>(GetClassLongPtrA(window_.Handle(), GCLP_HBRBACKGROUND)),
             sizeof(background), &background);
  EXPECT_EQ(background.lbColor, RGB(255, 255, 255));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, LinkTurnsHoveredUnderTheMouseAndClicksOnRelease) {
  const HWND link = window_.Control(kHomePageLink);
  EXPECT_FALSE(LinkHovered(link));
  SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(LinkHovered(link));
  EXPECT_EQ(GetCapture(), link);
  SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(200, 5));  // beyond its 110 pixels
  EXPECT_FALSE(LinkHovered(link));
  EXPECT_NE(GetCapture(), link);
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(events_.controls.empty());
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(300, 5));  // released elsewhere: no click
  EXPECT_EQ(events_.controls, std::vector<int>{kHomePageLink});
}

TEST_F(MainWindowTest, LoopSortsMessagesIntoEvents) {
  DrainMessages();
  const HWND window = window_.Handle();
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(kRestoreItem, 0), 0);
  PostMessageA(window_.Control(kStartButton), BM_CLICK, 0, 0);
  PostMessageA(window, kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
  PostMessageA(window, kTrayCallbackMessage, 0, WM_MOUSEMOVE);  // nothing
  PostMessageA(window, kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
  PostMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  PostMessageA(window, WM_ENDSESSION, FALSE, 0);  // cancelled: nothing to save
  PostMessageA(window, WM_ENDSESSION, TRUE, 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(kQuitItem, 0), 0);  // after the end: not handled
  window_.Run();
  const std::vector<EventKind> expected = {
      EventKind::kTrayMenuItem,        EventKind::kControl,      EventKind::kTrayIconRightPress,
      EventKind::kTrayIconDoubleClick, EventKind::kTrayAreaBack, EventKind::kSessionSaveRequest,
      EventKind::kCloseRequested};
  std::vector<EventKind> kinds;
  for (const Event& event : events_.events) kinds.push_back(event.kind);
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(events_.events[0].value, kRestoreItem);
  EXPECT_EQ(events_.events[1].value, kStartButton);
  EXPECT_TRUE(IsWindow(window));  // closing leaves the window to the shutdown
}

}  // namespace verdalin
