// The settings window over Win32: group boxes of labelled fields laid out from the form's table
// in the dialog of the resource template, checked at OK, the webhook's test watched by a timer.
#include "win32/settings_dialog.h"

#include <string>
#include <vector>

#include "base/encoding.h"
#include "win32/resource_ids.h"

namespace verdalin {

namespace {

// Dialog units: the columns of a row and its height.
constexpr int kMargin = 7;
constexpr int kLabelWidth = 120;
constexpr int kInputWidth = 110;
constexpr int kMessageWidth = 170;
constexpr int kRowHeight = 16;
constexpr int kInputX = kMargin * 2 + kLabelWidth;
constexpr int kMessageX = kInputX + kInputWidth + kMargin;
constexpr int kWidth = kMessageX + kMessageWidth + kMargin * 2;
constexpr UINT_PTR kTestTimer = 1;

struct DialogState {
  SettingsForm& form;
  HFONT font = nullptr;
};

std::string Ansi(std::string_view utf8) {
  return Utf8ToWindows1252(utf8);
}

HWND Make(HWND dialog, const DialogState& state, const char* kind, const std::string& text,
          DWORD style, RECT box, int id) {
  MapDialogRect(dialog, &box);
  HWND control = CreateWindowExA(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, box.left,
                                 box.top, box.right - box.left, box.bottom - box.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
  return control;
}

HWND MakeInput(HWND dialog, const DialogState& state, const FieldSpec& field,
               const std::string& value, int y, int id) {
  const RECT box{kInputX, y, kInputX + kInputWidth, y + 12};
  if (field.kind == FieldKind::kOnOff) {
    HWND check = Make(dialog, state, "BUTTON", "", WS_TABSTOP | BS_AUTOCHECKBOX, box, id);
    SendMessageA(check, BM_SETCHECK, value == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
    return check;
  }
  if (field.kind == FieldKind::kChoice) {
    const RECT list{box.left, y, box.right, y + 60};
    HWND combo =
        Make(dialog, state, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, list, id);
    for (const FieldChoice& choice : field.choices) {
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Ansi(choice.label).c_str()));
      if (choice.value == value)
        SendMessageA(combo, CB_SETCURSEL, SendMessageA(combo, CB_GETCOUNT, 0, 0) - 1, 0);
    }
    return combo;
  }
  const DWORD secret = field.kind == FieldKind::kSecret ? ES_PASSWORD : 0;
  return Make(dialog, state, "EDIT", value, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | secret, box,
              id);
}

// The rows of a section: its fields, and a test button's.
int SectionRows(std::string_view section) {
  int rows = 0;
  for (const FieldSpec& field : SettingsForm::Fields())
    if (field.section == section) rows += field.test_button ? 2 : 1;
  return rows;
}

// Moves a template control to (x, y) in dialog units and after `previous` in the tab order.
HWND Place(HWND dialog, int id, int x, int y, HWND previous) {
  HWND control = GetDlgItem(dialog, id);
  RECT box{x, y, x, y};
  MapDialogRect(dialog, &box);
  SetWindowPos(control, previous, box.left, box.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  return control;
}

void Build(HWND dialog, DialogState& state) {
  state.font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  SetWindowTextA(dialog, Ansi(kSettingsTitle).c_str());
  const auto fields = SettingsForm::Fields();
  int y = kMargin;
  HWND last = nullptr;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldSpec& field = fields[i];
    const int id = static_cast<int>(i);
    if (i == 0 || field.section != fields[i - 1].section) {
      Make(dialog, state, "BUTTON", Ansi(field.section), BS_GROUPBOX,
           {kMargin, y, kWidth - kMargin, y + 12 + SectionRows(field.section) * kRowHeight}, -1);
      y += 12;
    }
    Make(dialog, state, "STATIC", Ansi(field.label), SS_LEFT,
         {kMargin * 2, y + 2, kMargin * 2 + kLabelWidth, y + 12}, -1);
    last = MakeInput(dialog, state, field, state.form.Value(i), y, VERDALIN_FIELD_INPUT_BASE + id);
    Make(dialog, state, "STATIC", "", SS_LEFT, {kMessageX, y + 2, kWidth - kMargin * 2, y + 12},
         VERDALIN_FIELD_MESSAGE_BASE + id);
    y += kRowHeight;
    if (field.test_button) {
      last = Place(dialog, VERDALIN_SEND_TEST_BUTTON, kInputX, y, last);
      Place(dialog, VERDALIN_TEST_RESULT, kMessageX, y + 2, last);
      y += kRowHeight;
    }
    if (i + 1 == fields.size() || fields[i + 1].section != field.section) y += kMargin;
  }
  last = Place(dialog, IDOK, kWidth - 2 * (50 + kMargin), y, last);
  Place(dialog, IDCANCEL, kWidth - 50 - kMargin, y, last);
  RECT size{0, 0, kWidth, y + 14 + kMargin};
  MapDialogRect(dialog, &size);
  AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
               SWP_NOMOVE | SWP_NOZORDER);
}

std::string InputText(HWND dialog, const FieldSpec& field, int id) {
  HWND input = GetDlgItem(dialog, VERDALIN_FIELD_INPUT_BASE + id);
  if (field.kind == FieldKind::kOnOff)
    return SendMessageA(input, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
  if (field.kind == FieldKind::kChoice) {
    const LRESULT chosen = SendMessageA(input, CB_GETCURSEL, 0, 0);
    return chosen < 0 ? "" : std::string(field.choices[static_cast<std::size_t>(chosen)].value);
  }
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(input)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(input, text.data(), static_cast<int>(text.size()))));
  return text;
}

void TakeInputs(HWND dialog, SettingsForm& form) {
  const auto fields = SettingsForm::Fields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    form.SetValue(i, InputText(dialog, fields[i], static_cast<int>(i)));
}

void Accept(HWND dialog, SettingsForm& form) {
  TakeInputs(dialog, form);
  const std::vector<std::string> messages = form.Check();
  HWND first_refused = nullptr;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const int id = static_cast<int>(i);
    SetDlgItemTextA(dialog, VERDALIN_FIELD_MESSAGE_BASE + id, Ansi(messages[i]).c_str());
    if (!first_refused && !messages[i].empty())
      first_refused = GetDlgItem(dialog, VERDALIN_FIELD_INPUT_BASE + id);
  }
  if (first_refused)
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first_refused), TRUE);
  else
    EndDialog(dialog, IDOK);
}

void SendTest(HWND dialog, SettingsForm& form) {
  TakeInputs(dialog, form);
  form.StartWebhookTest();
  EnableWindow(GetDlgItem(dialog, VERDALIN_SEND_TEST_BUTTON), FALSE);
  SetDlgItemTextA(dialog, VERDALIN_TEST_RESULT, "Sending\x85");
  SetTimer(dialog, kTestTimer, 100, nullptr);
}

void WatchTest(HWND dialog, SettingsForm& form) {
  if (form.WebhookTestRunning()) return;
  KillTimer(dialog, kTestTimer);
  EnableWindow(GetDlgItem(dialog, VERDALIN_SEND_TEST_BUTTON), TRUE);
  SetDlgItemTextA(dialog, VERDALIN_TEST_RESULT,
                  Ansi(form.WebhookTestResult().value_or("")).c_str());
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    Build(dialog, *reinterpret_cast<DialogState*>(lparam));
    return TRUE;
  }
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (state == nullptr) return FALSE;
  if (message == WM_TIMER && wparam == kTestTimer) {
    WatchTest(dialog, state->form);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wparam)) {
    case IDOK:
      Accept(dialog, state->form);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case VERDALIN_SEND_TEST_BUTTON:
      SendTest(dialog, state->form);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool RunSettingsDialog(HWND owner, SettingsForm& form) {
  DialogState state{form};
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(VERDALIN_SETTINGS_DIALOG),
                         owner, DialogProc, reinterpret_cast<LPARAM>(&state)) == IDOK;
}

}  // namespace verdalin
