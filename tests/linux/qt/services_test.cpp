// The Qt services: the interval timer, the dialogs, the tray area offscreen and the session end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fakes/fake_clock.h"
#include "fakes/fake_poster.h"
#include "fakes/recorded_events.h"
#include "linux/dialogs.h"
#include "linux/settings_dialog.h"
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

// Enter on a bad value shows its message beside it and keeps the window open; Enter on a good
// one closes it with the value in the form; Send test shows the answer; Escape cancels.
TEST(Dialogs, SettingsWindowRefusesABadValueAndKeepsAGoodOne) {
  FakeClock clock;
  const auto poster = std::make_shared<AnsweringPoster>();
  SettingsForm form(poster, clock);
  QtDialogs dialogs(nullptr);
  QString message, test_result;
  bool open_after_bad = false;
  WhenShown<SettingsDialog>([&](SettingsDialog* dialog) {
    auto* low = dialog->findChild<QLineEdit*>(QStringLiteral("field_alerts_snr_low_db"));
    auto* hook = dialog->findChild<QLineEdit*>(QStringLiteral("field_alerts_webhook"));
    hook->setText(QStringLiteral("http://127.0.0.1:9/hook"));
    dialog->findChild<QAbstractButton*>(QStringLiteral("send_test"))->click();
    auto* result = dialog->findChild<QLabel*>(QStringLiteral("test_result"));
    (void)QTest::qWaitFor([&] { return result->text().startsWith(QStringLiteral("Test")); }, 5000);
    test_result = result->text();
    low->setText(QStringLiteral("-3"));
    QTest::keyClick(low, Qt::Key_Return);
    message = dialog->findChild<QLabel*>(QStringLiteral("message_alerts_snr_low_db"))->text();
    open_after_bad = dialog->isVisible();
    low->setText(QStringLiteral("4.5"));
    QTest::keyClick(low, Qt::Key_Return);
  });
  EXPECT_TRUE(dialogs.EditSettings(form));
  EXPECT_TRUE(open_after_bad);
  EXPECT_EQ(message, QStringLiteral("a number of dB from 0 to 100"));
  EXPECT_EQ(test_result, QStringLiteral("Test sent: answered 204"));
  EXPECT_EQ(poster->posted, std::vector<std::string>{"http://127.0.0.1:9/hook"});
  EXPECT_EQ(form.ValueOf("Alerts", "snr_low_db"), "4.5");

  WhenShown<SettingsDialog>([](SettingsDialog* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("field_alerts_snr_low_db"))->setText("1");
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(dialogs.EditSettings(form));
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
  RecordedEvents events;
  QtTrayArea tray{QIcon(), events};
  EXPECT_FALSE(tray.Available());  // offscreen has no notification area
  EXPECT_FALSE(tray.AddIcon(std::string(kTrayTooltip)));
  EXPECT_EQ(tray.Icon()->toolTip(),
            QStringLiteral("Verdalin is monitoring for your ADSL status...\n"
                           "Double click to open main window."));
  EXPECT_EQ(tray.Menu(), nullptr);
}

TEST(TrayArea, ChosenItemArrivesAfterTheMenuClosed) {
  RecordedEvents events;
  QtTrayArea tray{QIcon(), events};
  tray.SetMenu({{kRestoreItem, "Restore Window"}, {kQuitItem, "Quit"}});
  WhenShown<QMenu>([](QMenu* menu) {
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
  });
  tray.OpenMenu();
  EXPECT_TRUE(events.events.empty());  // not from within the menu
  EXPECT_TRUE(QTest::qWaitFor([&events] { return !events.events.empty(); }, 2000));
  EXPECT_TRUE(events.Has(EventKind::kTrayMenuItem, kQuitItem));
  WhenShown<QMenu>([](QMenu* menu) { menu->close(); });
  tray.OpenMenu();
  QTest::qWait(50);
  EXPECT_EQ(events.events.size(), 1u);  // dismissed: nothing
}

}  // namespace verdalin
