// The notification area over QSystemTrayIcon: the icon, its popup menu, and the area's comings
// and goings.
#pragma once

#include <QIcon>
#include <QObject>
#include <map>
#include <memory>

#include "app/front_end.h"
#include "linux/tray_watch.h"

class QMenu;
class QSystemTrayIcon;

namespace verdalin {

class QtTrayArea : public QObject, public TrayArea {
  Q_OBJECT
 public:
  static constexpr int kNoticeMilliseconds = 10000;

  // Icon actions, menu choices and the area appearing or going away go to `events`.
  QtTrayArea(const QIcon& icon, EventSink& events);
  ~QtTrayArea() override;

  bool TrayAvailable() override;
  bool AddTrayIcon(int identity, const std::string& tooltip) override;
  bool ShowTrayIcon(int identity) override;
  void RemoveTrayIcon(int identity) override;
  bool ShowNotice(int identity, const std::string& title, const std::string& text) override;
  bool CreatePopupMenu(int menu, const std::vector<MenuEntry>& entries) override;
  void DisplayPopupMenu(int menu) override;

  QSystemTrayIcon* Icon() const { return icon_.get(); }
  QMenu* Menu(int menu) const;

 private:
  void AreaChanged(bool present);

  QIcon image_;
  EventSink& events_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::map<int, std::unique_ptr<QMenu>> menus_;
  TrayWatch watch_;
  bool area_present_ = false;
};

}  // namespace verdalin
