// The main window over Qt widgets: built from the control table, operated by control identifier.
#include "linux/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "base/encoding.h"
#include "linux/balloon_tip.h"
#include "linux/controls.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

// A closed drop-down list is as tall as a Windows one with the default GUI font; the table's
// height is the one with the list open.
constexpr int kClosedListHeight = 21;

// Texts of the program are UTF-8; bytes that are not (a password stored by the Windows program,
// the default password, a gateway page in Latin-1) are shown as the Windows-1252 they come from.
QString Utf8(const std::string& text) {
  const QString shown = QString::fromUtf8(text);
  if (shown.toUtf8().toStdString() == text) return shown;
  return QString::fromUtf8(Windows1252ToUtf8(text));
}
std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// Interface texts are stored in Windows-1252.
QString Stored(const InterfaceTexts& texts, int slot) {
  return QString::fromUtf8(Windows1252ToUtf8(texts.Text(slot)));
}

Qt::Alignment AlignmentOf(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::kCentre:
      return Qt::AlignHCenter | Qt::AlignTop;
    case TextAlignment::kRight:
      return Qt::AlignRight | Qt::AlignTop;
    default:
      return Qt::AlignLeft | Qt::AlignTop;
  }
}

QWidget* MakeField(const ControlSpec& control_row, const QString& text, QWidget* parent) {
  auto* field = new Field(control_row.max_length, control_row.digits_only, parent);
  field->SetProgramText(text);
  field->setEchoMode(control_row.masked ? QLineEdit::Password : QLineEdit::Normal);
  field->setReadOnly(control_row.read_only);
  return field;
}

// A label whose text is wider than its fixed box gets the narrow face of the same size, then
// smaller sizes, rather than losing letters ("Login (utilisateur)" takes 84 of its 70 pixels in
// Liberation Sans).
void FitLabelText(QLabel* label, const QString& text) {
  label->setFont(QFont());
  label->setText(text);
  if (label->fontMetrics().horizontalAdvance(text) <= label->width()) return;
  QFont narrow = label->font();
  narrow.setFamily(QStringLiteral("Liberation Sans Narrow"));
  label->setFont(narrow);
  while (label->fontMetrics().horizontalAdvance(text) > label->width() && narrow.pixelSize() > 8) {
    narrow.setPixelSize(narrow.pixelSize() - 1);
    label->setFont(narrow);
  }
}

QWidget* MakeLabel(const ControlSpec& control_row, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(AlignmentOf(control_row.alignment));
  return label;
}

QWidget* MakeGauge(QWidget* parent) {
  auto* gauge = new QProgressBar(parent);
  gauge->setOrientation(Qt::Vertical);
  gauge->setRange(0, 100);
  gauge->setValue(0);
  gauge->setTextVisible(false);
  return gauge;
}

// Frames and pictures lie under the other controls and let the mouse through to them.
bool LiesUnder(ControlKind kind) {
  return kind == ControlKind::kGroupFrame || kind == ControlKind::kImage;
}

}  // namespace

void SetUpToolkit(const QIcon& icon) {
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setQuitOnLastWindowClosed(false);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  QApplication::setFont(font);
  QApplication::setWindowIcon(icon);
}

void ApplyStatusAppearance(QLabel* field, const QString& text, int appearance) {
  if ((appearance & kRaised) != 0) {
    field->setFrameStyle(QFrame::Panel | QFrame::Raised);
  } else if ((appearance & kBorderless) != 0) {
    field->setFrameStyle(QFrame::NoFrame);
  } else {
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  Qt::Alignment horizontal = Qt::AlignLeft;
  if ((appearance & kCentred) != 0) {
    horizontal = Qt::AlignHCenter;
  } else if ((appearance & kRightAligned) != 0) {
    horizontal = Qt::AlignRight;
  }
  field->setAlignment(horizontal | Qt::AlignVCenter);
  field->setText(text);
}

MainWindow::MainWindow(const FrontEndResources& resources, EventSink& events)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      resources_(resources),
      events_(&events) {}

// Taking the controls down moves the focus about: nobody hears of it any more.
MainWindow::~MainWindow() {
  events_ = nullptr;
}

void MainWindow::Build(const InterfaceTexts& texts) {
  setWindowTitle(QString::fromUtf8(kWindowTitle.data(), kWindowTitle.size()));
  setWindowIcon(resources_.icon);
  setFixedSize(kClientWidth, kClientHeight);
  move(kWindowX, kWindowY);
  BuildStatusBar(texts);
  for (const ControlSpec& control_row : ControlTable()) {
    QWidget* control = CreateControl(control_row.id, Stored(texts, control_row.text_slot));
    const int height =
        control_row.kind == ControlKind::kDropDownList ? kClosedListHeight : control_row.height;
    control->setGeometry(control_row.x, control_row.y, control_row.width, height);
    controls_[control_row.id] = control;
    if (control_row.kind == ControlKind::kLabel)
      FitLabelText(static_cast<QLabel*>(control), Stored(texts, control_row.text_slot));
    const QString body = Stored(texts, control_row.tooltip_body);
    if (control_row.tooltip_body != kNoText && !body.isEmpty())
      tooltips_[control_row.id] =
          new BalloonTip(control, body, Stored(texts, control_row.tooltip_title));
    ConnectEvents(control_row.id, control);
  }
  // Windows stacks the first-created control on top; frames and pictures lie at the bottom.
  for (int id = kControlCount - 1; id >= 0; --id) controls_[id]->raise();
  for (const ControlSpec& control_row : ControlTable())
    if (LiesUnder(control_row.kind)) controls_[control_row.id]->lower();
  SetTabOrder();
  SetWhiteBackground();
  for (const ControlSpec& control_row : ControlTable())
    if (control_row.black_on_white) ApplyBlackOnWhite(control_row.id);
  show();
  activateWindow();
}

QWidget* MainWindow::CreateControl(int id, const QString& text) {
  const ControlSpec& control_row = *FindControlSpec(id);
  switch (control_row.kind) {
    case ControlKind::kPushButton:
      return new QPushButton(text, this);
    case ControlKind::kTextField:
      return MakeField(control_row, text, this);
    case ControlKind::kLabel:
      return MakeLabel(control_row, this);
    case ControlKind::kGroupFrame:
      return new QGroupBox(text, this);
    case ControlKind::kDropDownList:
      return new PresetList(this);
    case ControlKind::kVerticalGauge:
      return MakeGauge(this);
    case ControlKind::kLinkLabel:
      return new LinkLabel(text, resources_.link_font, this);
    case ControlKind::kCheckBox:
      return new QCheckBox(text, this);
    case ControlKind::kImage:
      break;
  }
  auto* picture = new QLabel(this);
  picture->setPixmap(control_row.image == kBannerPicture ? resources_.banner : resources_.globe);
  return picture;
}

void MainWindow::ConnectEvents(int id, QWidget* control) {
  auto report = [this, id] { Report({EventKind::kControl, id}); };
  if (auto* field = qobject_cast<Field*>(control)) connect(field, &Field::Notified, this, report);
  if (auto* list = qobject_cast<PresetList*>(control)) {
    connect(list, &PresetList::Notified, this, report);
    connect(list, &PresetList::Picked, this, [this, id] { Report({EventKind::kListPick, id}); });
  }
  if (auto* link = qobject_cast<LinkLabel*>(control))
    connect(link, &LinkLabel::Clicked, this, report);
  if (auto* button = qobject_cast<QAbstractButton*>(control))
    connect(button, &QAbstractButton::clicked, this, report);
  if (LiesUnder(FindControlSpec(id)->kind)) control->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MainWindow::BuildStatusBar(const InterfaceTexts& texts) {
  auto* bar = new QWidget(this);
  bar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  QPalette face = bar->palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  bar->setPalette(face);
  bar->setAutoFillBackground(true);
  for (std::size_t field = 0; field < kStatusFields.size(); ++field) {
    const StatusFieldSpec& control_row = kStatusFields[field];
    status_[field] = new QLabel(bar);
    status_[field]->setTextFormat(Qt::PlainText);
    status_[field]->setGeometry(control_row.right_edge - control_row.width, 0, control_row.width,
                                kStatusBarHeight);
    ApplyStatusAppearance(status_[field], Stored(texts, control_row.initial_slot),
                          control_row.initial_appearance);
  }
}

void MainWindow::SetTabOrder() {
  QWidget* previous = nullptr;
  for (const ControlSpec& control_row : ControlTable()) {
    QWidget* control = controls_[control_row.id];
    if (!control_row.tab_stop) {
      control->setFocusPolicy(Qt::NoFocus);
      continue;
    }
    control->setFocusPolicy(Qt::StrongFocus);
    if (previous != nullptr) setTabOrder(previous, control);
    previous = control;
  }
}

void MainWindow::Report(const Event& event) {
  if (events_ != nullptr) events_->Dispatch(event);
}

void MainWindow::SetWhiteBackground() {
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
}

// Frames keep a transparent inside: the controls they group lie over them.
void MainWindow::ApplyBlackOnWhite(int id) {
  QWidget* control = Control(id);
  if (control == nullptr) return;
  QPalette colours = control->palette();
  colours.setColor(QPalette::Window, Qt::white);
  colours.setColor(QPalette::WindowText, Qt::black);
  colours.setColor(QPalette::Text, Qt::black);
  colours.setColor(QPalette::Base, Qt::white);
  control->setPalette(colours);
  control->setAutoFillBackground(FindControlSpec(id)->kind != ControlKind::kGroupFrame);
  if (auto* link = qobject_cast<LinkLabel*>(control)) link->SetNormalColour(Qt::black);
}

void MainWindow::Run() {
  QCoreApplication::exec();
}

// exit() rather than quit(): in Qt 6.4 on X11 a quit can be cancelled while the tray icon's
// window exists, and the program would hang hidden.
void MainWindow::End() {
  QCoreApplication::exit(0);
}

void MainWindow::Post(const Event& event) {
  QMetaObject::invokeMethod(
      this, [this, event] { Report(event); }, Qt::QueuedConnection);
}

QWidget* MainWindow::Control(int id) const {
  return id >= 0 && id < kControlCount ? controls_[id] : nullptr;
}

QLabel* MainWindow::StatusField(int field) const {
  return field == 0 || field == 1 ? status_[field] : nullptr;
}

BalloonTip* MainWindow::Tooltip(int id) const {
  return id >= 0 && id < kControlCount ? tooltips_[id] : nullptr;
}

std::string MainWindow::GetControlText(int id) {
  const std::string text = ShownText(id);
  const auto raw = raw_texts_.find(id);
  if (raw != raw_texts_.end() && raw->second.shown == text) return raw->second.bytes;
  return text;
}

// A text that is not UTF-8 comes back byte for byte as long as nobody changed it, so that a
// stored password survives a run untouched.
void MainWindow::SetControlText(int id, const std::string& text) {
  SetShownText(id, text);
  raw_texts_.erase(id);
  const std::string shown = ShownText(id);
  if (shown != text) raw_texts_[id] = RawText{text, shown};
}

std::string MainWindow::ShownText(int id) const {
  QWidget* control = Control(id);
  if (auto* field = qobject_cast<QLineEdit*>(control)) return Utf8(field->text());
  if (auto* label = qobject_cast<QLabel*>(control)) return Utf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return Utf8(button->text());
  if (auto* frame = qobject_cast<QGroupBox*>(control)) return Utf8(frame->title());
  if (auto* list = qobject_cast<QComboBox*>(control)) return Utf8(list->currentText());
  return "";
}

void MainWindow::SetShownText(int id, const std::string& text) {
  QWidget* control = Control(id);
  if (auto* field = qobject_cast<Field*>(control)) field->SetProgramText(Utf8(text));
  if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(Utf8(text));
  if (auto* frame = qobject_cast<QGroupBox*>(control)) frame->setTitle(Utf8(text));
  if (auto* link = qobject_cast<LinkLabel*>(control)) link->setText(Utf8(text));
  if (FindControlSpec(id) != nullptr && FindControlSpec(id)->kind == ControlKind::kLabel)
    FitLabelText(static_cast<QLabel*>(control), Utf8(text));
}

int MainWindow::GetControlState(int id) {
  QWidget* control = Control(id);
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentIndex();
  if (auto* box = qobject_cast<QCheckBox*>(control)) return box->isChecked() ? 1 : 0;
  if (auto* gauge = qobject_cast<QProgressBar*>(control)) return gauge->value();
  return 0;
}

// QProgressBar ignores values outside its range: the gauge clamps them first.
void MainWindow::SetControlState(int id, int value) {
  QWidget* control = Control(id);
  if (auto* list = qobject_cast<QComboBox*>(control))
    list->setCurrentIndex(value >= 0 && value < list->count() ? value : -1);
  if (auto* box = qobject_cast<QCheckBox*>(control)) box->setChecked(value != 0);
  if (auto* gauge = qobject_cast<QProgressBar*>(control))
    gauge->setValue(std::clamp(value, 0, 100));
}

// Inserting never selects: a list without a selection keeps none.
void MainWindow::AddListItem(int id, int position, const std::string& text) {
  auto* list = qobject_cast<QComboBox*>(Control(id));
  if (list == nullptr) return;
  const int selected = list->currentIndex();
  const int at = position < 0 || position > list->count() ? list->count() : position;
  list->insertItem(at, Utf8(text));
  list->setCurrentIndex(selected < 0 ? -1 : selected + (at <= selected ? 1 : 0));
}

void MainWindow::SetStatusText(int field, const std::string& text, int appearance) {
  if (QLabel* label = StatusField(field)) ApplyStatusAppearance(label, Utf8(text), appearance);
}

// The field's frame and margins take a few pixels of its width.
bool MainWindow::StatusTextFits(int field, const std::string& text) {
  QLabel* label = StatusField(field);
  if (label == nullptr) return false;
  const int room = label->contentsRect().width() - 2 * label->margin() - 4;
  return label->fontMetrics().horizontalAdvance(Utf8(text)) <= room;
}

std::string MainWindow::GetWindowTitle() {
  return Utf8(windowTitle());
}

void MainWindow::SetWindowTitle(const std::string& title) {
  setWindowTitle(Utf8(title));
}

void MainWindow::HideWindow() {
  hide();
}

void MainWindow::RestoreWindow() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

bool MainWindow::IsMinimised() {
  return isMinimized();
}

// Closing ends the program through the application; the window itself stays until then.
void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  Report({EventKind::kCloseRequested});
}

// Reported once the state change is over, so that hiding the window does not cut into it.
void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized())
    Post({EventKind::kWindowMinimised});
}

}  // namespace verdalin
