// The notification area over QSystemTrayIcon: the icon, its popup menu, and watching the area.
#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "app/application.h"
#include "app/front_end.h"

class QMenu;
class QSystemTrayIcon;

namespace verdalin {

class QtTrayArea : public QObject, public TrayArea {
  Q_OBJECT
 public:
  // How often the notification area is looked for: Qt tells nobody when one appears.
  static constexpr int kWatchMilliseconds = 500;

  explicit QtTrayArea(const QIcon& icon);
  ~QtTrayArea() override;

  // Right press, double click and other mouse actions on the icon.
  std::function<void(TrayMouse)> on_mouse;
  // A menu item chosen, delivered after the menu has closed.
  std::function<void(int)> on_menu_item;
  // The notification area appeared again, or went away.
  std::function<void()> on_area_back;
  std::function<void()> on_area_lost;

  bool TrayAvailable() override;
  bool AddTrayIcon(int identity, const std::string& tooltip) override;
  bool ShowTrayIcon(int identity) override;
  void RemoveTrayIcon(int identity) override;
  bool CreatePopupMenu(int menu) override;
  void AddMenuItem(int menu, int item, const std::string& text) override;
  void AddMenuSeparator(int menu) override;
  void DisplayPopupMenu(int menu) override;

  QSystemTrayIcon* Icon() const { return icon_.get(); }
  QMenu* Menu(int menu) const;

 private:
  void Watch();

  QIcon image_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::map<int, std::unique_ptr<QMenu>> menus_;
  QTimer watch_;
  bool area_present_ = false;
};

}  // namespace verdalin
