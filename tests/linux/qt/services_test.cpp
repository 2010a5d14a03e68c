// The Qt services: the interval timer, the dialogs, the tray area offscreen and the session end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <limits>

#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/session_end.h"
#include "linux/tray_area.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

// Runs `check` on the first visible top-level widget of type T once it appears.
template <class T, class Check>
void WhenShown(Check check) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, check] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* shown = qobject_cast<T*>(widget); shown != nullptr && shown->isVisible()) {
        poll->deleteLater();
        poll->stop();
        check(shown);
        return;
      }
    }
  });
  poll->start(20);
}

}  // namespace

TEST(IntervalTimer, PeriodsMapToWhatQTimerTakes) {
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(300000), 300000);
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(1000), 1000);
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(0), 1000);
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(999), 1000);
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(-5000), std::numeric_limits<int>::max());
  EXPECT_EQ(QtIntervalTimer::EffectivePeriod(int64_t{3} << 40), std::numeric_limits<int>::max());
}

TEST(IntervalTimer, RestartReplacesAndStopEnds) {
  QtIntervalTimer timer;
  int ticks = 0;
  timer.on_tick = [&ticks](int identity) { ticks += identity == 1 ? 1 : 100; };
  timer.StopTimer(1);  // nothing runs yet: nothing happens
  EXPECT_TRUE(timer.StartTimer(1, 300000));
  EXPECT_EQ(timer.Period(1), 300000);
  EXPECT_TRUE(timer.StartTimer(1, 0));
  EXPECT_EQ(timer.Period(1), 1000);
  EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks >= 1; }, 3000));
  EXPECT_EQ(ticks, 1);  // one timer: the first period's tick never comes
  timer.StopTimer(1);
  EXPECT_FALSE(timer.Running(1));
  QTest::qWait(1200);
  EXPECT_EQ(ticks, 1);
}

TEST(Dialogs, FilterIsWrittenTheQtWay) {
  EXPECT_EQ(QtNameFilter("Fichiers texte CSV|*.csv;*.txt"),
            QStringLiteral("Fichiers texte CSV (*.csv *.txt)"));
  EXPECT_EQ(QtNameFilter("All (*)"), QStringLiteral("All (*)"));
}

TEST(Dialogs, FileDialogStartsAtTheFieldAndReturnsTheChoice) {
  QTemporaryDir temp;
  ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("données été")));
  const QString folder = temp.path() + QStringLiteral("/données été");
  const QString before = QDir::currentPath();
  QtDialogs dialogs(nullptr);
  FileDialogRequest request{std::string(kFileDialogTitle), std::string(kFileDialogFilter),
                            folder.toStdString(), "Verdalin_Data.CsV"};
  QString title, filter, start_folder, start_name;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    filter = dialog->selectedNameFilter();
    start_folder = dialog->directory().absolutePath();
    start_name = dialog->selectedFiles().value(0);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("new log.csv");
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto chosen = dialogs.ChooseFile(request);
  EXPECT_EQ(title, QStringLiteral("Select output CSV file"));
  EXPECT_EQ(filter, QStringLiteral("Fichiers texte CSV (*.csv *.txt)"));
  EXPECT_EQ(start_folder, folder);
  EXPECT_EQ(start_name, folder + QStringLiteral("/Verdalin_Data.CsV"));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, (folder + QStringLiteral("/new log.csv")).toStdString());
  EXPECT_EQ(QDir::currentPath(), before);

  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_FALSE(dialogs.ChooseFile(request).has_value());
}

TEST(Dialogs, MessageBoxShowsTitleTextAndIcon) {
  QtDialogs dialogs(nullptr);
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenShown<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage(std::string(kStartupErrorTitle), std::string(kStartupErrorText),
                      MessageIcon::kWarning);
  EXPECT_EQ(title, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("Error while adding Verdalin to startup group."));
  EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(TrayArea, WithoutANotificationAreaTheIconIsNotThereButTheMenuIs) {
  QtTrayArea tray{QIcon()};
  EXPECT_FALSE(tray.TrayAvailable());  // offscreen has no notification area
  EXPECT_FALSE(tray.AddTrayIcon(kTrayIconId, std::string(kTrayTooltip)));
  EXPECT_EQ(tray.Icon()->toolTip(),
            QStringLiteral("Verdalin is monitoring for your ADSL status...\n"
                           "Double click to open main window."));
  ASSERT_TRUE(tray.CreatePopupMenu(kTrayMenu));
  tray.AddMenuItem(kTrayMenu, kRestoreItem, std::string(kRestoreItemText));
  tray.AddMenuSeparator(kTrayMenu);
  tray.AddMenuItem(kTrayMenu, kQuitItem, std::string(kQuitItemText));
  tray.AddMenuItem(5, 1, "no such menu");
  const QList<QAction*> actions = tray.Menu(kTrayMenu)->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("Restore Window"));
  EXPECT_EQ(actions[0]->data().toInt(), 1);
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), QStringLiteral("Quit"));
  EXPECT_EQ(actions[2]->data().toInt(), 2);
  EXPECT_EQ(tray.Menu(5), nullptr);
}

TEST(TrayArea, ChosenItemArrivesAfterTheMenuClosed) {
  QtTrayArea tray{QIcon()};
  tray.CreatePopupMenu(kTrayMenu);
  tray.AddMenuItem(kTrayMenu, kRestoreItem, "Restore Window");
  tray.AddMenuItem(kTrayMenu, kQuitItem, "Quit");
  std::vector<int> items;
  tray.on_menu_item = [&items](int item) { items.push_back(item); };
  WhenShown<QMenu>([](QMenu* menu) {
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
  });
  tray.DisplayPopupMenu(kTrayMenu);
  EXPECT_TRUE(items.empty());  // not from within the menu
  EXPECT_TRUE(QTest::qWaitFor([&items] { return !items.empty(); }, 2000));
  EXPECT_EQ(items, std::vector<int>{2});
  WhenShown<QMenu>([](QMenu* menu) { menu->close(); });
  tray.DisplayPopupMenu(kTrayMenu);
  QTest::qWait(50);
  EXPECT_EQ(items, std::vector<int>{2});  // dismissed: nothing
}

TEST(SessionEnd, SignalsArriveOnTheLoopAndTheSessionManagerToo) {
  std::vector<int> ends;
  {
    SessionEnd session([&ends](int number) { ends.push_back(number); });
    ASSERT_TRUE(session.Installed());
    raise(SIGTERM);
    EXPECT_TRUE(ends.empty());  // never from within the handler
    EXPECT_TRUE(QTest::qWaitFor([&ends] { return !ends.empty(); }, 2000));
    raise(SIGHUP);
    raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&ends] { return ends.size() >= 2; }, 2000));
  }
  ASSERT_FALSE(ends.empty());
  EXPECT_EQ(ends.front(), SIGTERM);
  EXPECT_EQ(ends.back(), SIGINT);  // two at once report once, the last
}

}  // namespace verdalin
