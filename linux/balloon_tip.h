// Balloon tooltips: a small tip window with the information icon, a bold title and a body.
#pragma once

#include <QFrame>
#include <QTimer>

class QLabel;

namespace verdalin {

// One balloon for one control. It shows while the pointer rests over the control and the main
// window is active, and goes away when the pointer leaves or a button is pressed.
class BalloonTip : public QFrame {
  Q_OBJECT
 public:
  static constexpr int kMaxBodyWidth = 180;

  // The texts are shown as plain text (an ampersand stays an ampersand). `title` empty: no title
  // and no icon.
  BalloonTip(QWidget* control, const QString& body, const QString& title);
  QString Title() const;
  QString Body() const;
  bool HasIcon() const;
  // Shows the balloon below the pointer position `global`.
  void PopUp(const QPoint& global);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* control_;
  QLabel* icon_;
  QLabel* title_;
  QLabel* body_;
  QTimer delay_;
};

}  // namespace verdalin
