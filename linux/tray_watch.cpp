// Notices the notification area coming and going: XFixes selection events and the session bus.
#include "linux/tray_watch.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

namespace verdalin {

namespace {

// When Qt is asked again after a sign: its own tracker reads the same X events in its own time.
constexpr std::array<int, 5> kCheckDelaysMs = {0, 50, 250, 1000, 3000};

xcb_connection_t* X11Connection() {
  auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (gui == nullptr) return nullptr;
  auto* x11 = gui->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// The screen of $DISPLAY (":0.1" is screen 1), whose tray selection counts.
int ScreenNumber() {
  const char* display = std::getenv("DISPLAY");
  const char* dot = display != nullptr ? std::strrchr(display, '.') : nullptr;
  const char* colon = display != nullptr ? std::strrchr(display, ':') : nullptr;
  return dot != nullptr && colon != nullptr && dot > colon ? std::atoi(dot + 1) : 0;
}

xcb_window_t RootWindow(xcb_connection_t* connection, int screen) {
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
    if (i == screen) return it.data->root;
  return XCB_WINDOW_NONE;
}

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
      nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

}  // namespace

TrayWatch::TrayWatch(std::function<void(bool)> on_change) : on_change_(std::move(on_change)) {}

TrayWatch::~TrayWatch() {
  Stop();
}

void TrayWatch::Start(bool present) {
  present_ = present;
  if (watching_) return;
  watching_ = true;
  WatchSelection();
  WatchBus();
}

void TrayWatch::Stop() {
  if (!watching_) return;
  watching_ = false;
  ++generation_;
  if (x11_ready_ && QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeNativeEventFilter(this);
  x11_ready_ = false;
  delete bus_watch_;
  bus_watch_ = nullptr;
}

void TrayWatch::WatchSelection() {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr) return;
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
  if (xfixes == nullptr || !xfixes->present) return;
  xcb_discard_reply(connection, xcb_xfixes_query_version(connection, 1, 0).sequence);
  const int screen = ScreenNumber();
  const xcb_window_t root = RootWindow(connection, screen);
  selection_ = Atom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
  if (root == XCB_WINDOW_NONE || selection_ == XCB_ATOM_NONE) return;
  first_event_ = xfixes->first_event;
  xcb_xfixes_select_selection_input(connection, root, selection_,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  xcb_flush(connection);
  QCoreApplication::instance()->installNativeEventFilter(this);
  x11_ready_ = true;
}

void TrayWatch::WatchBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  bus_watch_ = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
                                       QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(bus_watch_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { Recheck(); });
}

bool TrayWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t" || message == nullptr) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != first_event_ + XCB_XFIXES_SELECTION_NOTIFY) return false;
  const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
  if (notify->selection == selection_) Recheck();
  return false;  // Qt's own handling goes on
}

void TrayWatch::Recheck() {
  const int generation = ++generation_;
  for (int delay : kCheckDelaysMs) {
    QTimer::singleShot(delay, this, [this, generation] {
      if (generation == generation_) CheckNow();
    });
  }
}

void TrayWatch::CheckNow() {
  const bool present = QSystemTrayIcon::isSystemTrayAvailable();
  if (present == present_) return;
  present_ = present;
  if (on_change_) on_change_(present);
}

}  // namespace verdalin
