// The notification area as a front end offers it: the program's icon, its notices and its menu.
#pragma once

#include <string>
#include <vector>

namespace verdalin {

// One entry of the tray menu: an item with its identifier and text, or a separator.
struct MenuEntry {
  int item = 0;  // kMenuSeparator: a separator
  std::string text;
};
inline constexpr int kMenuSeparator = 0;

// Its events (a right press and a double click on the icon, a menu choice, the area coming and
// going) reach the sink the front end was made with.
class Tray {
 public:
  virtual ~Tray() = default;
  // Whether a notification area exists now, so that an icon in it can bring the window back.
  virtual bool Available() = 0;
  // Shows the icon, the program's own, with `tooltip`; false when it could not be added.
  virtual bool AddIcon(const std::string& tooltip) = 0;
  virtual void RemoveIcon() = 0;
  // Shows a notice from the icon (a balloon, or the desktop's notification); false where none
  // can show.
  virtual bool ShowNotice(const std::string& title, const std::string& text) = 0;
  // Makes the icon's popup menu with its entries in order; false when it cannot be made.
  virtual bool SetMenu(const std::vector<MenuEntry>& entries) = 0;
  // Opens the menu at the mouse pointer; returns when the user has chosen (the choice arrives
  // later as Event{kTrayMenuItem, item}) or dismissed it.
  virtual void OpenMenu() = 0;
};

}  // namespace verdalin
