// Balloon tooltips: the tip window, its layout and when it shows.
#include "linux/balloon_tip.h"

#include <QApplication>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QToolTip>

namespace verdalin {

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setForegroundRole(QPalette::ToolTipText);
  return label;
}

}  // namespace

BalloonTip::BalloonTip(QWidget* control, const QString& body, const QString& title)
    : QFrame(control->window(), Qt::ToolTip),
      control_(control),
      icon_(new QLabel(this)),
      title_(PlainLabel(title, this)),
      body_(PlainLabel(body, this)) {
  setPalette(QToolTip::palette());
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  body_->setWordWrap(true);
  body_->setMaximumWidth(kMaxBodyWidth);
  const int icon_size = style()->pixelMetric(QStyle::PM_SmallIconSize);
  icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(icon_size));
  icon_->setVisible(!title.isEmpty());
  title_->setVisible(!title.isEmpty());
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(icon_, 0, 0);
  layout->addWidget(title_, 0, 1);
  layout->addWidget(body_, 1, 0, 1, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  delay_.setSingleShot(true);
  delay_.setInterval(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
  connect(&delay_, &QTimer::timeout, this, [this] { PopUp(QCursor::pos()); });
  control_->installEventFilter(this);
}

QString BalloonTip::Title() const {
  return title_->text();
}
QString BalloonTip::Body() const {
  return body_->text();
}
bool BalloonTip::HasIcon() const {
  return !icon_->isHidden();
}

void BalloonTip::PopUp(const QPoint& global) {
  if (!control_->isVisible()) return;
  adjustSize();
  move(global + QPoint(0, 20));
  show();
  raise();
}

// Without the always-tip style a balloon shows only over an active window.
bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
      if (control_->window()->isActiveWindow()) delay_.start();
      break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
      delay_.stop();
      hide();
      break;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace verdalin
