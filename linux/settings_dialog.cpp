// The settings window over Qt: group boxes of labelled fields built from the form's table.
#include "linux/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace verdalin {

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "prefix" + group + "_" + key in lower case, spaces as '_': two groups may share a key.
QString Name(std::string_view prefix, const FieldSpec& field) {
  return (Text(prefix) + Text(field.group) + '_' + Text(field.key)).toLower().replace(' ', '_');
}

}  // namespace

SettingsDialog::SettingsDialog(SettingsForm& form, QWidget* owner) : QDialog(owner), form_(form) {
  setWindowTitle(Text(kSettingsTitle));
  auto* layout = new QVBoxLayout(this);
  QGridLayout* grid = nullptr;
  std::string_view section;
  const auto fields = SettingsForm::Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldSpec& field = fields[i];
    if (!grid || field.section != section) {
      section = field.section;
      auto* box = new QGroupBox(Text(section), this);
      grid = new QGridLayout(box);
      // The same columns in every section, wide enough for the longest message.
      for (const auto& [column, width] : {std::pair{0, 210}, {1, 220}, {2, 300}})
        grid->setColumnMinimumWidth(column, width);
      layout->addWidget(box);
    }
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(Text(field.label)), row, 0);
    inputs_.push_back(MakeInput(field, form.Value(i)));
    grid->addWidget(inputs_.back(), row, 1);
    messages_.push_back(new QLabel);
    messages_.back()->setObjectName(Name("message_", field));
    messages_.back()->setStyleSheet(QStringLiteral("color: #b00000"));
    grid->addWidget(messages_.back(), row, 2);
    if (!field.test_button) continue;
    test_button_ = new QPushButton(Text(kSendTestLabel));
    test_button_->setObjectName(QStringLiteral("send_test"));
    test_button_->setAutoDefault(false);
    test_result_ = new QLabel;
    test_result_->setObjectName(QStringLiteral("test_result"));
    grid->addWidget(test_button_, row + 1, 1);
    grid->addWidget(test_result_, row + 1, 2);
    connect(test_button_, &QPushButton::clicked, this, [this] { SendTest(); });
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  test_watch_.setInterval(100);
  connect(&test_watch_, &QTimer::timeout, this, [this] { ShowTestResult(); });
}

QWidget* SettingsDialog::MakeInput(const FieldSpec& field, const std::string& value) {
  QWidget* input = nullptr;
  if (field.kind == FieldKind::kOnOff) {
    auto* box = new QCheckBox;
    box->setChecked(value == "1");
    input = box;
  } else if (field.kind == FieldKind::kChoice) {
    auto* list = new QComboBox;
    for (const FieldChoice& choice : field.choices)
      list->addItem(Text(choice.label), Text(choice.value));
    list->setCurrentIndex(list->findData(Text(value)));
    input = list;
  } else {
    auto* edit = new QLineEdit(Text(value));
    if (field.kind == FieldKind::kSecret) edit->setEchoMode(QLineEdit::Password);
    input = edit;
  }
  input->setObjectName(Name("field_", field));
  return input;
}

std::string SettingsDialog::InputText(std::size_t field) const {
  QWidget* input = inputs_[field];
  if (auto* box = qobject_cast<QCheckBox*>(input)) return box->isChecked() ? "1" : "0";
  if (auto* list = qobject_cast<QComboBox*>(input))
    return list->currentData().toString().toUtf8().toStdString();
  return static_cast<QLineEdit*>(input)->text().toUtf8().toStdString();
}

void SettingsDialog::TakeInputs() {
  for (std::size_t i = 0; i < inputs_.size(); ++i) form_.SetValue(i, InputText(i));
}

void SettingsDialog::accept() {
  TakeInputs();
  const std::vector<std::string> messages = form_.Check();
  bool clean = true;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    messages_[i]->setText(Text(messages[i]));
    if (clean && !messages[i].empty()) inputs_[i]->setFocus();
    clean = clean && messages[i].empty();
  }
  if (clean) QDialog::accept();
}

void SettingsDialog::SendTest() {
  TakeInputs();
  form_.StartWebhookTest();
  test_button_->setEnabled(false);
  test_result_->setText(QStringLiteral("Sending\u2026"));
  test_watch_.start();
}

void SettingsDialog::ShowTestResult() {
  if (form_.WebhookTestRunning()) return;
  test_watch_.stop();
  test_button_->setEnabled(true);
  test_result_->setText(Text(form_.WebhookTestResult().value_or("")));
}

}  // namespace verdalin
