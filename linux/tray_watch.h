// Notices the notification area coming and going from the desktop's own signals, without a timer.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <functional>

class QDBusServiceWatcher;

namespace verdalin {

// Two signs: the owner of the X11 system tray selection (_NET_SYSTEM_TRAY_S<screen>, told by
// XFixes) and the StatusNotifierWatcher name on the session bus. After a sign it asks Qt whether
// a tray is available, a few times while Qt's own tracking catches up; between signs nothing
// runs, so an idle program sleeps.
class TrayWatch : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit TrayWatch(std::function<void(bool present)> on_change);
  ~TrayWatch() override;
  TrayWatch(const TrayWatch&) = delete;
  TrayWatch& operator=(const TrayWatch&) = delete;

  // Starts watching (again) with the area's state now.
  void Start(bool present);
  void Stop();

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  void WatchSelection();
  void WatchBus();
  void Recheck();
  void CheckNow();

  std::function<void(bool)> on_change_;
  bool watching_ = false;
  bool present_ = false;
  bool x11_ready_ = false;
  uint32_t selection_ = 0;    // the tray selection's atom
  uint8_t first_event_ = 0;   // XFixes' first event number
  QDBusServiceWatcher* bus_watch_ = nullptr;
  int generation_ = 0;        // cancels the checks of an earlier sign
};

}  // namespace verdalin
