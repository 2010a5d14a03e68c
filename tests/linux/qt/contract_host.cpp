// The Qt front end as the contract tests drive it: offscreen, with its real window, timer, tray,
// session end and the termination signals through the process's host.
#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QSessionManager>
#include <QTest>
#include <QTimer>

#include "contract/contract_host.h"
#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "linux/session_end.h"
#include "linux/shell_services.h"
#include "linux/tray_area.h"
#include "process_host.h"

namespace verdalin {

namespace {

const FrontEndResources& Resources() {
  static const FrontEndResources resources = LoadFrontEndResources();
  return resources;
}

class QtContractHost : public ContractHost, public DesktopHost {
 public:
  explicit QtContractHost(EventSink& events)
      : window_(Resources(), events), timer_(events), tray_(QIcon(), events), session_(events) {
    texts_.Load();
    window_.Build(texts_);
  }

  EventLoop& Loop() override { return front_.loop; }
  Timer& PollTimer() override { return front_.timer; }
  bool RunUntil(const std::function<bool()>& done, int milliseconds) override {
    return QTest::qWaitFor(done, milliseconds);
  }
  bool RequestTermination() override { return SendTermination(); }
  DesktopHost* AsDesktop() override { return this; }

  Desktop& Front() override { return front_; }
  bool WindowShown() override { return window_.isVisible(); }
  void Minimise() override { window_.showMinimized(); }
  void Close() override { window_.close(); }
  void Click(int control) override {
    QTest::mouseClick(qobject_cast<QAbstractButton*>(window_.Control(control)), Qt::LeftButton);
  }
  std::vector<MenuEntry> MenuShown() override {
    std::vector<MenuEntry> entries;
    for (const QAction* action : tray_.Menu()->actions())
      entries.push_back({action->isSeparator() ? kMenuSeparator : action->data().toInt(),
                         action->text().toStdString()});
    return entries;
  }
  // Opens the menu as a right press does and clicks the item once it shows.
  void Choose(int item) override {
    QMenu* popup = tray_.Menu();
    QTimer::singleShot(100, popup, [popup, item] {
      for (QAction* action : popup->actions())
        if (!action->isSeparator() && action->data().toInt() == item)
          QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
    });
    tray_.OpenMenu();
  }
  // The request the platform's session management makes at a logout, with the session manager
  // the application keeps for it.
  bool EndSession() override {
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    QSessionManager* manager = gui ? gui->findChild<QSessionManager*>() : nullptr;
    if (manager == nullptr) return false;
    emit gui->commitDataRequest(*manager);
    return true;
  }

 private:
  InterfaceTexts texts_;
  MainWindow window_;
  QtIntervalTimer timer_;
  QtTrayArea tray_;
  QtDialogs dialogs_{&window_};
  SessionEnd session_;
  EventRelay relay_;
  Desktop front_{relay_, window_, window_, timer_, tray_, dialogs_};
  std::unique_ptr<Watch> watch_ = ProcessHost().WatchTermination(front_.loop);
};

}  // namespace

std::unique_ptr<ContractHost> MakeContractHost(EventSink& events) {
  return std::make_unique<QtContractHost>(events);
}

}  // namespace verdalin
