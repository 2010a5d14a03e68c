// The main window's own control widgets: fields with limits, the preset list, the link label.
#include "linux/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace verdalin {

LengthLimit::LengthLimit(QObject* owner, int max_length)
    : QValidator(owner), max_length_(max_length) {}

QValidator::State LengthLimit::validate(QString& input, int& /*position*/) const {
  if (input.size() > max_length_ && input.size() > accepted_length_) {
    emit LimitReached();
    return Invalid;
  }
  return Acceptable;
}

Field::Field(int max_length, bool digits_only, QWidget* parent)
    : QLineEdit(parent), digits_only_(digits_only) {
  if (max_length > 0) {
    limit_ = new LengthLimit(this, max_length);
    setValidator(limit_);
    connect(limit_, &LengthLimit::LimitReached, this, &Field::Notified);
    connect(this, &QLineEdit::textChanged, limit_,
            [this](const QString& text) { limit_->Accepted(text.size()); });
  }
  connect(this, &QLineEdit::textChanged, this, &Field::Notified);
}

void Field::SetProgramText(const QString& text) {
  if (limit_ != nullptr) limit_->Accepted(text.size());
  setText(text);
}

void Field::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  emit Notified();
}

void Field::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  emit Notified();
}

void Field::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
  if (digits_only_ && !command && !typed.isEmpty() && typed.at(0).isPrint()) {
    for (QChar ch : typed) {
      if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
        event->accept();  // refused, as a number-only edit control refuses it
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}

PresetList::PresetList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  // The user's picks only (the same entry again too): a selection made by the program, the list's
  // opening and closing and Escape pick nothing, as on Windows.
  connect(this, &QComboBox::activated, this, &PresetList::Picked);
}

void PresetList::showPopup() {
  QComboBox::showPopup();
  emit Notified();
}

void PresetList::hidePopup() {
  QComboBox::hidePopup();
  emit Notified();
}

void PresetList::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  emit Notified();
}

void PresetList::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  emit Notified();
}

LinkLabel::LinkLabel(const QString& text, const QFont& font, QWidget* parent)
    : QLabel(text, parent), normal_(palette().color(QPalette::WindowText)) {
  setFont(font);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(false);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void LinkLabel::SetNormalColour(const QColor& colour) {
  normal_ = colour;
  SetHovered(hovered_);
}

void LinkLabel::SetHovered(bool hovered) {
  hovered_ = hovered;
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, hovered ? HoverColour() : normal_);
  setPalette(colours);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  SetHovered(true);
}

void LinkLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  SetHovered(false);
}

// A move that falls outside (while a button holds the pointer) ends the hovering too.
void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
  QLabel::mouseMoveEvent(event);
  SetHovered(rect().contains(event->position().toPoint()));
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit Clicked();
}

}  // namespace verdalin
