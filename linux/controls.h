// The main window's own control widgets: text fields with their limits, the preset list, the link.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace verdalin {

// Refuses an edit that would make the text longer than the limit, as a Windows edit control's
// text limit does: only typing and pasting are limited, a text set by the program is not.
class LengthLimit : public QValidator {
  Q_OBJECT
 public:
  LengthLimit(QObject* owner, int max_length);
  State validate(QString& input, int& position) const override;
  int MaxLength() const { return max_length_; }
  // The length of the text the field holds (the field calls it on each change).
  void Accepted(qsizetype length) { accepted_length_ = length; }

 signals:
  void LimitReached() const;

 private:
  int max_length_;
  qsizetype accepted_length_ = 0;
};

// A single-line field that reports each notification: focus in and out, text changes, and
// typing refused at the length limit. Digits-only fields refuse typed characters other than
// 0 to 9 (pasted or programmatic texts are not filtered).
class Field : public QLineEdit {
  Q_OBJECT
 public:
  Field(int max_length, bool digits_only, QWidget* parent);
  int Limit() const { return limit_ == nullptr ? 0 : limit_->MaxLength(); }
  // Sets a text of any length: the limit holds for the user's edits only.
  void SetProgramText(const QString& text);
  bool DigitsOnly() const { return digits_only_; }

 signals:
  void Notified();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  LengthLimit* limit_ = nullptr;
  bool digits_only_;
};

// The drop-down list that cannot be typed into; it notifies focus changes and the list opening
// and closing, and reports apart the entries the user picks.
class PresetList : public QComboBox {
  Q_OBJECT
 public:
  explicit PresetList(QWidget* parent);
  void showPopup() override;
  void hidePopup() override;

 signals:
  void Notified();
  void Picked();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// The home page link: one line from the top-left corner, clipped, in its own colour, blue while
// the pointer is over it, a hand pointer, and a click when the left button is released over it.
class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  LinkLabel(const QString& text, const QFont& font, QWidget* parent);
  // The colour outside hovering (black once the black-on-white colours are applied).
  void SetNormalColour(const QColor& colour);
  static QColor HoverColour() { return QColor(0, 0, 255); }

 signals:
  void Clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetHovered(bool hovered);

  QColor normal_;
  bool hovered_ = false;
};

}  // namespace verdalin
