// The run-at-startup box and the home page link, over the front end's shell services.
#pragma once

#include <string>
#include <string_view>

#include "app/dialogs.h"
#include "app/host.h"
#include "base/file_system.h"
#include "ui/window_controls.h"

namespace verdalin {

// The startup folder, the separator and the entry's file name; the name alone (after the
// separator) when the folder is unknown.
std::string StartupEntryPath(ShellServices& shell);
// An entry of a size above zero ticks the box; a missing or empty file or a folder does not.
bool StartupEntryPresent(FileSystem& fs, std::string_view path);
// The box was clicked: creates the entry when ticked (unless present), removes it when clear.
void OnRunAtStartupBox(WindowControls& window, ShellServices& shell, Dialogs& dialogs,
                       FileSystem& fs);
void OpenProgramHomePage(ShellServices& shell);

}  // namespace verdalin
