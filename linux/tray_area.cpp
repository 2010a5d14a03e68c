// The notification area over QSystemTrayIcon: the icon, its popup menu, and the area's comings
// and goings.
#include "linux/tray_area.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace verdalin {

namespace {

// The tooltip separates its two sentences by a carriage return, which Qt shows as a line break
// only when it is a line feed.
QString TooltipText(const std::string& tooltip) {
  QString text = QString::fromUtf8(tooltip);
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

}  // namespace

QtTrayArea::QtTrayArea(const QIcon& icon, EventSink& events)
    : image_(icon), events_(events), watch_([this](bool present) { AreaChanged(present); }) {}

QtTrayArea::~QtTrayArea() = default;

bool QtTrayArea::Available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

// Adding again when the area came back leaves a shown icon to Qt, which docks it in the new area
// itself (hiding and showing it then would race with that docking).
bool QtTrayArea::AddIcon(const std::string& tooltip) {
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(image_);
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason == QSystemTrayIcon::Context)
                events_.Dispatch({EventKind::kTrayIconRightPress});
              if (reason == QSystemTrayIcon::DoubleClick)
                events_.Dispatch({EventKind::kTrayIconDoubleClick});
            });
  }
  icon_->setToolTip(TooltipText(tooltip));
  icon_->show();
  area_present_ = Available();
  watch_.Start(area_present_);
  return area_present_;
}

void QtTrayArea::RemoveIcon() {
  watch_.Stop();
  if (icon_) icon_->hide();
}

// Qt hands the notice to the desktop's notification service where there is one, and otherwise
// shows a balloon by the icon.
bool QtTrayArea::ShowNotice(const std::string& title, const std::string& text) {
  if (!icon_ || !icon_->isVisible() || !Available()) return false;
  icon_->showMessage(QString::fromUtf8(title), QString::fromUtf8(text),
                     QSystemTrayIcon::Information, kNoticeMilliseconds);
  return true;
}

bool QtTrayArea::SetMenu(const std::vector<MenuEntry>& entries) {
  auto popup = std::make_unique<QMenu>();
  for (const MenuEntry& entry : entries) {
    if (entry.item == kMenuSeparator)
      popup->addSeparator();
    else
      popup->addAction(QString::fromUtf8(entry.text))->setData(entry.item);
  }
  menu_ = std::move(popup);
  return true;
}

// The menu opens one pixel left of and above the pointer and returns once it is closed; the
// chosen item then comes back like any other event.
void QtTrayArea::OpenMenu() {
  if (!menu_ || menu_->isEmpty()) return;
  const QAction* chosen = menu_->exec(QCursor::pos() - QPoint(1, 1));
  if (chosen == nullptr) return;
  const int item = chosen->data().toInt();
  QTimer::singleShot(0, this, [this, item] { events_.Dispatch({EventKind::kTrayMenuItem, item}); });
}

void QtTrayArea::AreaChanged(bool present) {
  if (present == area_present_) return;
  area_present_ = present;
  events_.Dispatch({present ? EventKind::kTrayAreaBack : EventKind::kTrayAreaLost});
}

}  // namespace verdalin
