// The main window as data: its 24 controls, status bar, tooltips and the fixed texts of the shell.
#pragma once

#include <array>
#include <string_view>

#include "ui/control_ids.h"
#include "verdalin_version.h"

namespace verdalin {

enum class ControlKind {
  kPushButton,
  kTextField,  // single-line edit; `masked`, `digits_only` and `read_only` refine it
  kLabel,
  kGroupFrame,
  kDropDownList,   // cannot be typed into
  kImage,          // `image` says which picture
  kVerticalGauge,  // range 0..100, smooth, filling from the bottom
  kLinkLabel,
  kCheckBox,
};

enum class TextAlignment { kLeft, kCentre, kRight };

// No interface text slot (the preset list, the pictures and the gauge show none).
inline constexpr int kNoText = -1;
inline constexpr int kNoImage = -1;
inline constexpr int kBannerPicture = 0;  // 480 x 94, PNG data
inline constexpr int kGlobePicture = 1;   // 224 x 245, uncompressed bitmap

struct ControlSpec {
  int id;
  ControlKind kind;
  int x, y, width, height;  // client coordinates; the list's height is with its list open
  int text_slot;            // slot of the interface text table, or kNoText
  TextAlignment alignment = TextAlignment::kLeft;
  int max_length = 0;  // characters a user may type; 0: no limit
  bool digits_only = false;
  bool masked = false;  // password characters
  bool read_only = false;
  bool black_on_white = false;  // black text on the white window, no background of its own
  int tooltip_body = kNoText;   // balloon body slot
  int tooltip_title = kNoText;  // balloon title slot
  bool tab_stop = false;
  int image = kNoImage;
};

// Controls 0 to 23, in identifier (and creation, and tab) order.
const std::array<ControlSpec, kControlCount>& ControlTable();
// The control with that identifier; null outside 0..23.
const ControlSpec* FindControlSpec(int id);

struct StatusFieldSpec {
  int width;
  int right_edge;
  int initial_slot;
  int initial_appearance;
};
inline constexpr std::array<StatusFieldSpec, 2> kStatusFields = {{
    {380, 380, 0, kCentred},
    {122, 502, 1, kCentred},
}};

// The window.
inline constexpr std::string_view kWindowTitle = "Verdalin";
inline constexpr std::string_view kVersionSuffix = " " VERDALIN_VERSION;
inline constexpr int kClientWidth = 502;
inline constexpr int kClientHeight = 391;
inline constexpr int kWindowX = 306;  // outer frame's top-left corner on the screen
inline constexpr int kWindowY = 81;

// The link label's font.
inline constexpr std::string_view kLinkFontFace = "Arial Narrow";
inline constexpr int kLinkFontPoints = 10;

// Tray icon and its popup menu.
inline constexpr std::string_view kTrayTooltip =
    "Verdalin is monitoring for your ADSL status...\rDouble click to open main window.";
inline constexpr int kRestoreItem = 1;
inline constexpr int kQuitItem = 2;
inline constexpr int kShowHistoryItem = 3;
inline constexpr int kSettingsItem = 4;

struct TrayMenuEntry {
  int item;  // 0: a separator
  std::string_view text;
};
// The tray menu, top to bottom (UTF-8).
inline constexpr std::array<TrayMenuEntry, 5> kTrayMenuEntries = {{
    {kRestoreItem, "Restore Window"},
    {kShowHistoryItem, "Show history"},
    {kSettingsItem, "Settings\u2026"},
    {0, ""},
    {kQuitItem, "Quit"},
}};

// The browse button's file dialog: description and patterns split by a vertical bar.
inline constexpr std::string_view kFileDialogTitle = "Select output CSV file";
inline constexpr std::string_view kFileDialogFilter = "Fichiers texte CSV|*.csv;*.txt";

// Message boxes.
inline constexpr std::string_view kFatalTitle = "Verdalin : Fatal Error";
inline constexpr std::string_view kFatalText =
    "Unable to initialize TCP/IP stack, please check your system configuration.\n\n"
    "Program will now exit.";
inline constexpr std::string_view kStartupErrorTitle = "Error";
inline constexpr std::string_view kStartupErrorText =
    "Error while adding Verdalin to startup group.";

// The run-at-startup entry.
inline constexpr std::string_view kStartupArgument = "-startup";
inline constexpr std::string_view kShortcutDescription = "Verdalin : the truth about your ADSL";

// The title of the messages that "Show history" may show.
inline constexpr std::string_view kHistoryMessageTitle = "Verdalin history";

// Status messages of the event loop.
inline constexpr std::string_view kMonitoringStopped = "Monitoring stopped.";
inline constexpr std::string_view kTimerError = "ERROR WITH TIMER!!";
inline constexpr std::string_view kEventLogError = "ERROR WRITING EVENT LOG !";

// The program's own home page (never fetched by any test). The link shows "http:// " and the
// host in capitals, which must fit the link's 110 pixels in its narrow bold font.
inline constexpr std::string_view kHomePageAddress =
    "http://verdal.in/?orig=program&version=" VERDALIN_VERSION;

}  // namespace verdalin
