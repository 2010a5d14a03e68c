// The main window against the control table: geometry, texts, options, tab order, colours.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "base/encoding.h"
#include "linux/controls.h"
#include "window_fixture.h"

namespace verdalin {

namespace {

std::string Shown(const InterfaceTexts& texts, int slot) {
  return Windows1252ToUtf8(texts.Text(slot));
}

}  // namespace

TEST_F(WindowTest, WindowIsFixedWithMinimiseButAtItsPlace) {
  EXPECT_EQ(window_.GetWindowTitle(), "Verdalin");
  EXPECT_EQ(window_.size(), QSize(502, 391));
  EXPECT_EQ(window_.minimumSize(), window_.maximumSize());
  EXPECT_EQ(window_.pos(), QPoint(306, 81));
  const Qt::WindowFlags flags = window_.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(window_.isVisible());
  window_.SetWindowTitle(window_.GetWindowTitle() + " 1.7.2");
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("Verdalin 1.7.2"));
}

TEST_F(WindowTest, EveryControlHasItsGeometryKindAndText) {
  for (const ControlSpec& control_row : ControlTable()) {
    SCOPED_TRACE(control_row.id);
    QWidget* control = window_.Control(control_row.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &window_);
    EXPECT_EQ(control->pos(), QPoint(control_row.x, control_row.y));
    EXPECT_EQ(control->width(), control_row.width);
    // The drop-down list's table height is its height with the list open.
    if (control_row.kind != ControlKind::kDropDownList)
      EXPECT_EQ(control->height(), control_row.height);
    if (control_row.text_slot != kNoText && control_row.kind != ControlKind::kImage)
      EXPECT_EQ(window_.GetControlText(control_row.id), Shown(texts_, control_row.text_slot));
  }
  for (int id : {0, 7, 11}) EXPECT_NE(As<QPushButton>(id), nullptr);
  for (int id : {1, 2, 3, 9, 13, 17}) EXPECT_NE(As<Field>(id), nullptr);
  for (int id : {12, 20}) EXPECT_NE(As<QGroupBox>(id), nullptr);
  EXPECT_NE(As<PresetList>(15), nullptr);
  EXPECT_NE(As<QProgressBar>(21), nullptr);
  EXPECT_NE(As<LinkLabel>(22), nullptr);
  EXPECT_NE(As<QCheckBox>(23), nullptr);
  EXPECT_EQ(As<QLabel>(18)->pixmap().size(), QSize(480, 94));
  EXPECT_EQ(As<QLabel>(19)->pixmap().size(), QSize(224, 245));
  // The French texts are the ones shown, converted from Windows-1252.
  EXPECT_EQ(window_.GetControlText(0), "Lancer");
  EXPECT_EQ(window_.GetControlText(11), "Sélec. fichier sortie");
  EXPECT_EQ(window_.GetControlText(12), " Configuration ADSL ");
  EXPECT_EQ(window_.GetControlText(14), "Débit Maximum souscrit (Kbps)");
  EXPECT_EQ(window_.GetControlText(16), "Contrats pré-enregistrés");
  EXPECT_EQ(window_.GetControlText(22), "http:// VERDAL.IN");
  EXPECT_EQ(window_.GetControlText(23), "Démarrage");
}

TEST_F(WindowTest, FieldsAndLabelsCarryTheirOptions) {
  EXPECT_EQ(As<Field>(1)->Limit(), 2048);
  EXPECT_EQ(As<Field>(2)->Limit(), 255);
  EXPECT_EQ(As<Field>(3)->Limit(), 100);
  EXPECT_EQ(As<Field>(3)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(As<Field>(2)->echoMode(), QLineEdit::Normal);
  EXPECT_TRUE(As<Field>(9)->DigitsOnly());
  EXPECT_TRUE(As<Field>(13)->DigitsOnly());
  EXPECT_FALSE(As<Field>(1)->DigitsOnly());
  EXPECT_TRUE(As<Field>(17)->isReadOnly());
  EXPECT_FALSE(As<Field>(1)->isReadOnly());
  EXPECT_FALSE(As<PresetList>(15)->isEditable());
  for (int id : {4, 5, 6, 8, 16})
    EXPECT_EQ(As<QLabel>(id)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << id;
  EXPECT_EQ(As<QLabel>(10)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_EQ(As<QLabel>(14)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  auto* gauge = As<QProgressBar>(21);
  EXPECT_EQ(gauge->orientation(), Qt::Vertical);
  EXPECT_EQ(gauge->minimum(), 0);
  EXPECT_EQ(gauge->maximum(), 100);
  EXPECT_FALSE(gauge->invertedAppearance());  // fills from the bottom
  EXPECT_FALSE(gauge->isTextVisible());
}

TEST_F(WindowTest, TabVisitsButtonsFieldsListAndBoxInCreationOrder) {
  Activate();
  window_.Control(0)->setFocus();
  std::vector<int> visited;
  for (int step = 0; step < 12; ++step) {
    QWidget* focus = QApplication::focusWidget();
    const auto found = std::find(window_.children().begin(), window_.children().end(), focus);
    ASSERT_NE(found, window_.children().end());
    for (int id = 0; id < kControlCount; ++id)
      if (window_.Control(id) == focus) visited.push_back(id);
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 7, 9, 11, 13, 15, 17, 23, 0}));
  window_.Control(2)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), window_.Control(1));
  window_.Control(0)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), window_.Control(23));
}

TEST_F(WindowTest, StatusFieldsShowTextsWithTheirAppearance) {
  QLabel* line = window_.StatusField(0);
  QLabel* quality = window_.StatusField(1);
  ASSERT_NE(line, nullptr);
  ASSERT_NE(quality, nullptr);
  EXPECT_EQ(line->mapTo(&window_, QPoint(0, 0)), QPoint(0, 391 - MainWindow::kStatusBarHeight));
  EXPECT_EQ(line->width(), 380);
  EXPECT_EQ(quality->mapTo(&window_, QPoint(0, 0)).x(), 380);
  EXPECT_EQ(quality->width(), 122);
  EXPECT_EQ(line->text(), QStringLiteral("Statut"));
  EXPECT_EQ(quality->text(), QStringLiteral("Qualité"));
  EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

  struct Case {
    int bits;
    int frame;
    Qt::Alignment horizontal;
  };
  const int sunken = QFrame::Panel | QFrame::Sunken;
  const int raised = QFrame::Panel | QFrame::Raised;
  const Case cases[] = {
      {0, sunken, Qt::AlignLeft},
      {1, raised, Qt::AlignLeft},
      {2, QFrame::NoFrame, Qt::AlignLeft},
      {3, raised, Qt::AlignLeft},
      {4, sunken, Qt::AlignHCenter},
      {5, raised, Qt::AlignHCenter},
      {6, QFrame::NoFrame, Qt::AlignHCenter},
      {8, sunken, Qt::AlignRight},
      {12, sunken, Qt::AlignHCenter},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    window_.SetStatusText(0, "Monitoring stopped.", c.bits);
    EXPECT_EQ(line->frameStyle(), c.frame);
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, c.horizontal);
    EXPECT_EQ(line->text(), QStringLiteral("Monitoring stopped."));
  }
  window_.SetStatusText(1, "", 5);
  EXPECT_TRUE(quality->text().isEmpty());
  window_.SetStatusText(2, "nowhere", 5);  // no such field: nothing happens
  EXPECT_EQ(line->text(), QStringLiteral("Monitoring stopped."));
}

TEST_F(WindowTest, GaugeClampsAndStatesFollowTheirControls) {
  window_.SetControlState(21, 150);
  EXPECT_EQ(window_.GetControlState(21), 100);
  window_.SetControlState(21, -7);
  EXPECT_EQ(window_.GetControlState(21), 0);
  window_.SetControlState(21, 42);
  EXPECT_EQ(window_.GetControlState(21), 42);
  window_.SetControlState(23, 5);
  EXPECT_EQ(window_.GetControlState(23), 1);
  window_.SetControlState(23, 0);
  EXPECT_EQ(window_.GetControlState(23), 0);
  EXPECT_TRUE(events_.controls.empty());  // states set by the program report nothing
}

TEST_F(WindowTest, BlackOnWhiteOnTheElevenControlsOnly) {
  EXPECT_EQ(window_.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(window_.autoFillBackground());
  for (const ControlSpec& control_row : ControlTable()) {
    if (!control_row.black_on_white) continue;
    const int id = control_row.id;
    SCOPED_TRACE(id);
    const QPalette colours = window_.Control(id)->palette();
    EXPECT_EQ(colours.color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(colours.color(QPalette::Window), QColor(Qt::white));
  }
  // Frames stay transparent inside: the controls they group lie over them.
  EXPECT_FALSE(window_.Control(12)->autoFillBackground());
  EXPECT_TRUE(window_.Control(4)->autoFillBackground());
  // The status bar keeps the platform's face colour.
  EXPECT_NE(window_.StatusField(0)->palette().color(QPalette::Window), QColor(Qt::white));
  // Buttons keep the platform's colours.
  EXPECT_EQ(window_.Control(0)->palette().color(QPalette::Button),
            QApplication::palette().color(QPalette::Button));
}

TEST_F(WindowTest, FirstCreatedControlsLieOnTopAndFramesLetClicksThrough) {
  // The address field lies over the banner, the grouped controls over their frames.
  const QObjectList& stack = window_.children();
  const auto depth = [&](int id) { return stack.indexOf(window_.Control(id)); };
  EXPECT_GT(depth(1), depth(18));
  EXPECT_GT(depth(15), depth(12));
  EXPECT_GT(depth(17), depth(20));
  EXPECT_GT(depth(0), depth(7));
  EXPECT_TRUE(window_.Control(12)->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(window_.Control(18)->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(window_.childAt(200, 20), window_.Control(1));
  EXPECT_EQ(window_.childAt(20, 130), window_.Control(15));
}

TEST_F(WindowTest, ControlTextsAreUtf8BothWays) {
  const std::string path = "/home/zoë/Documents été/données €漢字.CsV";
  window_.SetControlText(17, path);
  EXPECT_EQ(window_.GetControlText(17), path);
  window_.SetControlText(4, "Mot été");
  EXPECT_EQ(window_.GetControlText(4), "Mot été");
  EXPECT_EQ(As<QLabel>(4)->text(), QStringLiteral("Mot été"));
  window_.SetControlText(18, "ignored");  // a picture has no text
  EXPECT_FALSE(As<QLabel>(18)->pixmap().isNull());
}

// The default password and passwords stored by the Windows program are not UTF-8.
TEST_F(WindowTest, TextsThatAreNotUtf8ShowAsWindows1252AndComeBackUntouched) {
  const std::string stored = "+\xa3ny\xe6";
  window_.SetControlText(3, stored);
  EXPECT_EQ(As<QLineEdit>(3)->text(), QStringLiteral("+£nyæ"));
  EXPECT_EQ(window_.GetControlText(3), stored);
  Activate();
  As<QLineEdit>(3)->setFocus();
  QTest::keyClicks(As<QLineEdit>(3), "x");
  EXPECT_EQ(window_.GetControlText(3), "+£nyæx");  // edited: the text as shown now
  window_.SetControlText(3, "été");
  EXPECT_EQ(window_.GetControlText(3), "été");
  window_.SetStatusText(0, "Firmware V\xe9rsion", 5);
  EXPECT_EQ(window_.StatusField(0)->text(), QStringLiteral("Firmware Vérsion"));
}

// The application goes before the window: taking the window down reports nothing.
TEST(MainWindowLifetime, DestroyingTheWindowReportsNoEvents) {
  InterfaceTexts texts;
  texts.Load();
  const FrontEndResources resources = LoadFrontEndResources();
  auto events = std::make_unique<RecordedEvents>();
  auto window = std::make_unique<MainWindow>(resources, *events);
  window->Build(texts);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->Control(15)->setFocus();
  const std::size_t before = events->controls.size();
  window.reset();
  EXPECT_EQ(events->controls.size(), before);
}

}  // namespace verdalin
