// The notification area over QSystemTrayIcon: the icon, its popup menu, and the area's comings
// and goings.
#pragma once

#include <QIcon>
#include <QObject>
#include <memory>

#include "app/events.h"
#include "app/tray.h"
#include "linux/tray_watch.h"

class QMenu;
class QSystemTrayIcon;

namespace verdalin {

class QtTrayArea : public QObject, public Tray {
  Q_OBJECT
 public:
  static constexpr int kNoticeMilliseconds = 10000;

  // Icon actions, menu choices and the area appearing or going away go to `events`.
  QtTrayArea(const QIcon& icon, EventSink& events);
  ~QtTrayArea() override;

  bool Available() override;
  bool AddIcon(const std::string& tooltip) override;
  void RemoveIcon() override;
  bool ShowNotice(const std::string& title, const std::string& text) override;
  bool SetMenu(const std::vector<MenuEntry>& entries) override;
  void OpenMenu() override;

  QSystemTrayIcon* Icon() const { return icon_.get(); }
  QMenu* Menu() const { return menu_.get(); }

 private:
  void AreaChanged(bool present);

  QIcon image_;
  EventSink& events_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::unique_ptr<QMenu> menu_;
  TrayWatch watch_;
  bool area_present_ = false;
};

}  // namespace verdalin
