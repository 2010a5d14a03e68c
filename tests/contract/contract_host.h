// What the front-end contract tests need of a real front end beyond the core's interfaces: its
// loop and timer, the system's request to end, and a desktop to act on where there is one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop.h"

namespace verdalin {

// The window, the tray and the session of a desktop front end, as a user or the system works them.
class DesktopHost {
 public:
  virtual ~DesktopHost() = default;
  // The front end, reporting to the sink the host was made with, its window built.
  virtual Desktop& Front() = 0;
  virtual bool WindowShown() = 0;
  // As the user: the minimise button, the close button, a click on a button.
  virtual void Minimise() = 0;
  virtual void Close() = 0;
  virtual void Click(int control) = 0;
  // The tray menu opened as a right click opens it: the entries it shows, and a choice in it.
  virtual std::vector<MenuEntry> MenuShown() = 0;
  virtual void Choose(int item) = 0;
  // As the session manager when the user logs out; false where the host cannot.
  virtual bool EndSession() = 0;
};

class ContractHost {
 public:
  virtual ~ContractHost() = default;
  virtual EventLoop& Loop() = 0;
  virtual Timer& PollTimer() = 0;
  // Runs the event loop until `done` or `milliseconds` have passed; whether `done` came true.
  virtual bool RunUntil(const std::function<bool()>& done, int milliseconds) = 0;
  // As the service manager asks the program to end (SIGTERM); false where the platform sends
  // no such request.
  virtual bool RequestTermination() = 0;
  // The desktop; null for the program without a window.
  virtual DesktopHost* AsDesktop() = 0;
};

// The platform's host (Qt offscreen, Win32 under Wine, or the headless loop).
std::unique_ptr<ContractHost> MakeContractHost(EventSink& events);

}  // namespace verdalin
