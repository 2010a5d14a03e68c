// The controls' behaviour: field limits, digits, the preset list's events, the link, tooltips.
#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <cmath>

#include "linux/balloon_tip.h"
#include "linux/controls.h"
#include "window_fixture.h"

namespace verdalin {

TEST_F(WindowTest, TypingStopsAtTheLimitButTheProgramMaySetLongerTexts) {
  Activate();
  Field* login = As<Field>(2);
  login->setFocus();
  window_.SetControlText(2, std::string(253, 'a'));
  events_.controls.clear();
  QTest::keyClicks(login, "bcd");
  EXPECT_EQ(window_.GetControlText(2), std::string(253, 'a') + "bc");
  EXPECT_GE(events_.Count(2), 3);  // two changes and the refused third character
  window_.SetControlText(3, std::string(150, 'p'));
  EXPECT_EQ(window_.GetControlText(3).size(), 150u);
  QTest::keyClicks(As<Field>(3), "q");
  EXPECT_EQ(window_.GetControlText(3).size(), 150u);
  QTest::keyClick(As<Field>(3), Qt::Key_Backspace);
  EXPECT_EQ(window_.GetControlText(3).size(), 149u);
  window_.SetControlText(1, std::string(2047, 'u'));
  QTest::keyClicks(As<Field>(1), "vw");
  EXPECT_EQ(window_.GetControlText(1).size(), 2048u);
}

TEST_F(WindowTest, DigitsOnlyFieldsRefuseTypedLettersNotProgramTexts) {
  Activate();
  window_.SetControlText(9, "");
  As<Field>(9)->setFocus();
  QTest::keyClicks(As<Field>(9), "1a2 b-3");
  EXPECT_EQ(window_.GetControlText(9), "123");
  window_.SetControlText(13, "abc");
  EXPECT_EQ(window_.GetControlText(13), "abc");
  QTest::keyClicks(As<Field>(13), "x9");
  EXPECT_EQ(window_.GetControlText(13), "abc9");
  QTest::keyClicks(As<Field>(17), "typed");  // the output file field is read only
  EXPECT_EQ(window_.GetControlText(17), "c:\\stats.csv");
}

TEST_F(WindowTest, FieldsReportFocusAndChanges) {
  Activate();
  As<Field>(1)->setFocus();
  EXPECT_EQ(events_.Count(1), 1);
  window_.SetControlText(1, "http://127.0.0.1/x");
  EXPECT_EQ(events_.Count(1), 2);
  As<Field>(2)->setFocus();
  EXPECT_EQ(events_.Count(1), 3);
  EXPECT_EQ(events_.Count(2), 1);
}

TEST_F(WindowTest, PresetListNotifiesFocusAndOpeningAndReportsPicksApart) {
  window_.AddListItem(15, -1, "Inventel");
  window_.AddListItem(15, -1, "Sagem");
  window_.AddListItem(15, 0, "Tecom");
  auto* list = As<PresetList>(15);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->itemText(0), QStringLiteral("Tecom"));
  EXPECT_EQ(window_.GetControlState(15), -1);  // adding items selects nothing
  window_.SetControlState(15, 2);
  EXPECT_EQ(window_.GetControlState(15), 2);
  window_.AddListItem(15, 0, "Zyxel");
  EXPECT_EQ(window_.GetControlState(15), 3);  // the selection stays on its item
  window_.SetControlState(15, 4);
  EXPECT_EQ(window_.GetControlState(15), -1);
  EXPECT_EQ(events_.Count(15), 0);

  Activate();
  list->setFocus();
  EXPECT_EQ(events_.Count(15), 1);
  list->showPopup();
  EXPECT_GE(events_.Count(15), 2);
  long before = events_.Count(15);
  list->hidePopup();
  EXPECT_GT(events_.Count(15), before);
  list->setFocus();
  before = events_.Count(15);
  EXPECT_EQ(events_.Count(EventKind::kListPick), 0);
  QTest::keyClick(list, Qt::Key_Down);  // a keyboard choice on the closed list
  EXPECT_EQ(window_.GetControlState(15), 0);
  EXPECT_TRUE(events_.Has(EventKind::kListPick, 15));
  EXPECT_EQ(events_.Count(15), before);
  window_.Control(0)->setFocus();
  EXPECT_EQ(events_.Count(15), before + 1);
}

// The mended fault: opening the list and leaving it with Escape, or tabbing through it, picked
// the empty selection and so wiped the typed fields. Only Enter on an entry picks it, the same
// entry again too.
TEST_F(WindowTest, PresetListPicksOnlyWhatTheUserChooses) {
  window_.AddListItem(15, -1, "Inventel");
  window_.AddListItem(15, -1, "Sagem");
  Activate();
  auto* list = As<PresetList>(15);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Tab);  // through the list and on
  const struct {
    Qt::Key key;
    long picks;
    int selected;
  } steps[] = {{Qt::Key_Escape, 0, -1}, {Qt::Key_Return, 1, 0}, {Qt::Key_Return, 2, 0}};
  for (const auto& step : steps) {
    list->showPopup();
    ASSERT_TRUE(list->view()->isVisible());
    if (list->view()->currentIndex().row() < 0) QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), step.key);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_EQ(events_.Count(EventKind::kListPick), step.picks) << step.key;
    EXPECT_EQ(window_.GetControlState(15), step.selected) << step.key;
  }
}

TEST_F(WindowTest, ButtonsAndBoxReportClicks) {
  QTest::mouseClick(window_.Control(0), Qt::LeftButton);
  QTest::mouseClick(window_.Control(7), Qt::LeftButton);
  QTest::mouseClick(window_.Control(23), Qt::LeftButton);
  EXPECT_EQ(events_.controls, (std::vector<int>{0, 7, 23}));
  EXPECT_EQ(window_.GetControlState(23), 1);  // already toggled when reported
}

TEST_F(WindowTest, LinkUsesItsFontHandPointerAndHoverColour) {
  auto* link = As<LinkLabel>(22);
  const QFontInfo font(link->font());
  EXPECT_EQ(font.family(), QStringLiteral("Liberation Sans Narrow"));
  EXPECT_TRUE(font.bold());
  EXPECT_TRUE(font.underline());
  EXPECT_FALSE(font.italic());
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
  EXPECT_EQ(link->font().pixelSize(), std::lround(10 * dpi / 72));
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(link->alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::black));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), link->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(link, &enter);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST_F(WindowTest, LinkReportsAReleaseOverItOnly) {
  auto* link = As<LinkLabel>(22);
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(events_.Count(22), 1);
  QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(300, 5));
  QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(events_.Count(22), 1);
}

TEST_F(WindowTest, FourBalloonsCarryTitleIconAndBody) {
  struct Expected {
    int id;
    const char* title;
    const char* body;
  };
  const Expected balloons[] = {
      {11, "Sélec. fichier sortie",
       "Verdalin n'efface jamais un fichier existant, un fichier de destination qui n'existe pas "
       "sera créé."},
      {21, "Qualité relative de votre connexion ADSL",
       "La qualité relative de votre connexion ADSL."},
      {22, "Vous saurez tout sur Verdalin, les informations, les mises à jours, etc.",
       "Lien vers le site Verdalin"},
      {23, "Lancer au démarrage du système.",
       "En cochant cette case, Verdalin commencera à collecter des informations dès le prochain "
       "démarrage de windows."},
  };
  for (const Expected& balloon : balloons) {
    SCOPED_TRACE(balloon.id);
    BalloonTip* tip = window_.Tooltip(balloon.id);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->Title(), QString::fromUtf8(balloon.title));
    EXPECT_EQ(tip->Body(), QString::fromUtf8(balloon.body));
    EXPECT_TRUE(tip->HasIcon());
    EXPECT_TRUE(tip->windowFlags().testFlag(Qt::ToolTip));
  }
  EXPECT_EQ(window_.Tooltip(15), nullptr);  // an empty body: no balloon
  for (int id = 0; id < kControlCount; ++id)
    if (id != 11 && id != 21 && id != 22 && id != 23) EXPECT_EQ(window_.Tooltip(id), nullptr);
}

TEST_F(WindowTest, BalloonShowsOverTheActiveWindowWrapsAndHidesOnLeave) {
  Activate();
  QWidget* box = window_.Control(23);
  BalloonTip* tip = window_.Tooltip(23);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(box, &enter);
  EXPECT_TRUE(QTest::qWaitFor([tip] { return tip->isVisible(); }, 3000));
  const auto* body = tip->findChildren<QLabel*>().last();
  EXPECT_LE(body->width(), BalloonTip::kMaxBodyWidth);
  EXPECT_GT(body->height(), body->fontMetrics().height() * 2);  // the long body wraps
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(box, &leave);
  EXPECT_FALSE(tip->isVisible());
}

TEST(BalloonTip, PlainTextAndNoTitleMeansNoIcon) {
  QWidget owner;
  BalloonTip tip(&owner, QStringLiteral("A & B <b>"), QString());
  EXPECT_FALSE(tip.HasIcon());
  owner.show();
  tip.PopUp(QPoint(10, 10));
  EXPECT_TRUE(tip.isVisible());
  for (const QLabel* label : tip.findChildren<QLabel*>())
    if (label->text().contains(QLatin1Char('&'))) EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(tip.Body(), QStringLiteral("A & B <b>"));
}

}  // namespace verdalin
