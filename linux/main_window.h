// The main window over Qt widgets: the controls of the control table, status bar and tooltips.
#pragma once

#include <QWidget>
#include <array>
#include <map>

#include "app/events.h"
#include "linux/pictures.h"
#include "ui/control_ids.h"
#include "ui/window_controls.h"

class QLabel;

namespace verdalin {

class BalloonTip;

class MainWindow : public QWidget, public WindowControls, public EventLoop {
  Q_OBJECT
 public:
  static constexpr int kStatusBarHeight = 22;

  // The window's events (controls, close, minimise) and the posted ones go to `events`.
  MainWindow(const FrontEndResources& resources, EventSink& events);
  ~MainWindow() override;

  // EventLoop
  void Run() override;
  void End() override;
  void Post(const Event& event) override;

  // WindowControls; texts are UTF-8.
  void Build(const InterfaceTexts& texts) override;
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  int GetControlState(int id) override;
  void SetControlState(int id, int value) override;
  void AddListItem(int id, int position, const std::string& text) override;
  void SetStatusText(int field, const std::string& text, int appearance) override;
  bool StatusTextFits(int field, const std::string& text) override;
  std::string GetWindowTitle() override;
  void SetWindowTitle(const std::string& title) override;
  void HideWindow() override;
  void RestoreWindow() override;
  bool IsMinimised() override;

  // The widgets, for tests; null before building or outside the table.
  QWidget* Control(int id) const;
  QLabel* StatusField(int field) const;
  BalloonTip* Tooltip(int id) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* CreateControl(int id, const QString& text);
  void ConnectEvents(int id, QWidget* control);
  void BuildStatusBar(const InterfaceTexts& texts);
  void SetTabOrder();
  void SetWhiteBackground();
  void ApplyBlackOnWhite(int id);
  void Report(const Event& event);
  std::string ShownText(int id) const;
  void SetShownText(int id, const std::string& text);

  struct RawText {
    std::string bytes;  // as set, not UTF-8
    std::string shown;  // as shown, UTF-8
  };

  const FrontEndResources& resources_;
  EventSink* events_;
  std::array<QWidget*, kControlCount> controls_{};
  std::array<BalloonTip*, kControlCount> tooltips_{};
  std::array<QLabel*, 2> status_{};
  std::map<int, RawText> raw_texts_;
};

// Start-up step 1 of the toolkit: the Fusion look everywhere, the program's icon, no quitting
// when a window closes, and an application font the size of the Windows default GUI font
// (Liberation Sans, 11 pixels), so that the fixed layout holds its texts.
void SetUpToolkit(const QIcon& icon);

// Shows a status text with its appearance bits on a status field.
void ApplyStatusAppearance(QLabel* field, const QString& text, int appearance);

}  // namespace verdalin
