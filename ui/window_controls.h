// The main window as the core sees it: built from the control table, its controls operated by
// identifier, its status bar, and its place on the screen.
#pragma once

#include <string>

#include "ui/interface_texts.h"

namespace verdalin {

// Texts crossing this interface are in the system's code page (Windows-1252 on Windows, UTF-8 on
// Linux), except the interface text table, which stays Windows-1252 as stored.
class WindowControls {
 public:
  virtual ~WindowControls() = default;
  // Opens the main window titled "Verdalin" on a white background, with its status bar and the
  // 24 controls of the control table (geometry, texts from `texts`, options, colours, tooltips,
  // tab order), and shows it as the current window. From then on its events reach the sink the
  // front end was made with.
  virtual void Build(const InterfaceTexts& texts) = 0;
  virtual std::string GetControlText(int id) = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  // Preset list: selected index or -1; check box: 1 or 0; gauge: its position.
  virtual int GetControlState(int id) = 0;
  // Preset list: select (none when out of range); check box: tick when non-zero; gauge: clamp.
  virtual void SetControlState(int id, int value) = 0;
  // Inserts a preset list item at `position` (-1: at the end); never changes the selection.
  virtual void AddListItem(int id, int position, const std::string& text) = 0;
  virtual void SetStatusText(int field, const std::string& text, int appearance) = 0;
  // Whether `text` shows whole in the status field, in the status bar's font.
  virtual bool StatusTextFits(int field, const std::string& text) = 0;
  virtual std::string GetWindowTitle() = 0;
  virtual void SetWindowTitle(const std::string& title) = 0;
  // Hides the window (and takes it off the taskbar).
  virtual void HideWindow() = 0;
  // Shows the window restored from minimised to its normal place and size, and activates it.
  virtual void RestoreWindow() = 0;
  virtual bool IsMinimised() = 0;
};

}  // namespace verdalin
