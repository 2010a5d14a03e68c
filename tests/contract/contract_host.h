// What the front-end contract tests need of a real front end beyond the core's interfaces: a way
// to run its loop, and to act and look as a user or the system would.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop.h"

namespace verdalin {

class ContractHost {
 public:
  virtual ~ContractHost() = default;
  // The front end, reporting to the sink the host was made with.
  virtual Desktop& Front() = 0;
  // Runs the event loop until `done` or `milliseconds` have passed; whether `done` came true.
  virtual bool RunUntil(const std::function<bool()>& done, int milliseconds) = 0;
  virtual bool WindowShown() = 0;
  // As the user: the minimise button, the close button, a click on a button.
  virtual void Minimise() = 0;
  virtual void Close() = 0;
  virtual void Click(int control) = 0;
  // The menu as the toolkit holds it, and a choice in it as the user makes one.
  virtual std::vector<MenuEntry> MenuShown() = 0;
  virtual void Choose(int item) = 0;
  // As the system when the user logs out; false where the host cannot.
  virtual bool EndSession() = 0;
};

// The platform's host (Qt offscreen, or Win32 under Wine).
std::unique_ptr<ContractHost> MakeContractHost(EventSink& events);

}  // namespace verdalin
