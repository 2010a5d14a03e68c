// The settings window over Win32: the resource template's dialog, the form's fields made in it.
#pragma once

#include <windows.h>

#include "app/settings_form.h"

namespace verdalin {

// Runs the modal window over `form`, owned by `owner`; true for OK (the form holds the fields,
// checked), false for Cancel.
bool RunSettingsDialog(HWND owner, SettingsForm& form);

}  // namespace verdalin
