// The fixture of the front-end contract tests: a host of the platform's front end reporting to
// recorded events.
#pragma once

#include <gtest/gtest.h>

#include "contract/contract_host.h"
#include "fakes/recorded_events.h"

namespace verdalin {

class FrontEndContract : public ::testing::Test {
 protected:
  void SetUp() override { host_ = MakeContractHost(events_); }
  bool WaitFor(EventKind kind, int value, int milliseconds = 3000) {
    return host_->RunUntil([&] { return events_.Has(kind, value); }, milliseconds);
  }
  void Idle(int milliseconds) {
    host_->RunUntil([] { return false; }, milliseconds);
  }

  RecordedEvents events_;
  std::unique_ptr<ContractHost> host_;
};

// The cases that work the window, the tray or the session: skipped where there is no desktop.
class DesktopContract : public FrontEndContract {
 protected:
  void SetUp() override {
    FrontEndContract::SetUp();
    desktop_ = host_->AsDesktop();
    if (desktop_ == nullptr) GTEST_SKIP() << "needs a desktop";
  }

  DesktopHost* desktop_ = nullptr;
};

}  // namespace verdalin
