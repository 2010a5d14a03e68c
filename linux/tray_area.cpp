// The notification area over QSystemTrayIcon: the icon, its popup menu, and watching the area.
#include "linux/tray_area.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace verdalin {

namespace {

// The tooltip separates its two sentences by a carriage return, which Qt shows as a line break
// only when it is a line feed.
QString TooltipText(const std::string& tooltip) {
  QString text = QString::fromUtf8(tooltip);
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

TrayMouse MouseActionOf(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Context) return TrayMouse::kRightPress;
  if (reason == QSystemTrayIcon::DoubleClick) return TrayMouse::kDoubleClick;
  return TrayMouse::kOther;
}

}  // namespace

QtTrayArea::QtTrayArea(const QIcon& icon) : image_(icon) {
  watch_.setInterval(kWatchMilliseconds);
  connect(&watch_, &QTimer::timeout, this, &QtTrayArea::Watch);
}

QtTrayArea::~QtTrayArea() = default;

bool QtTrayArea::TrayAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

// Adding again (the area came back) shows the icon anew, so that it docks in the new area.
bool QtTrayArea::AddTrayIcon(int /*identity*/, const std::string& tooltip) {
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(image_);
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (on_mouse) on_mouse(MouseActionOf(reason));
            });
  }
  icon_->setToolTip(TooltipText(tooltip));
  icon_->hide();
  icon_->show();
  area_present_ = TrayAvailable();
  watch_.start();
  return area_present_;
}

bool QtTrayArea::ShowTrayIcon(int /*identity*/) {
  if (!icon_) return false;
  icon_->show();
  return TrayAvailable();
}

void QtTrayArea::RemoveTrayIcon(int /*identity*/) {
  watch_.stop();
  if (icon_) icon_->hide();
}

bool QtTrayArea::CreatePopupMenu(int menu) {
  menus_[menu] = std::make_unique<QMenu>();
  return true;
}

QMenu* QtTrayArea::Menu(int menu) const {
  const auto found = menus_.find(menu);
  return found == menus_.end() ? nullptr : found->second.get();
}

void QtTrayArea::AddMenuItem(int menu, int item, const std::string& text) {
  if (QMenu* popup = Menu(menu)) popup->addAction(QString::fromUtf8(text))->setData(item);
}

void QtTrayArea::AddMenuSeparator(int menu) {
  if (QMenu* popup = Menu(menu)) popup->addSeparator();
}

// The menu opens one pixel left of and above the pointer and returns once it is closed; the
// chosen item then comes back like any other event.
void QtTrayArea::DisplayPopupMenu(int menu) {
  QMenu* popup = Menu(menu);
  if (popup == nullptr || popup->isEmpty()) return;
  const QAction* chosen = popup->exec(QCursor::pos() - QPoint(1, 1));
  if (chosen == nullptr) return;
  const int item = chosen->data().toInt();
  QTimer::singleShot(0, this, [this, item] {
    if (on_menu_item) on_menu_item(item);
  });
}

void QtTrayArea::Watch() {
  const bool present = TrayAvailable();
  if (present == area_present_) return;
  area_present_ = present;
  if (present && on_area_back) on_area_back();
  if (!present && on_area_lost) on_area_lost();
}

}  // namespace verdalin
