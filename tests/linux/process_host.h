// The process's one Linux host in the contract tests, which takes the termination signals.
#pragma once

#include "linux/program_host.h"

namespace verdalin {

// Made before main, so that every thread of the tests leaves the signals to it.
LinuxProgramHost& ProcessHost();
// SIGTERM to this process, as the service manager sends it; whether it was sent.
bool SendTermination();

}  // namespace verdalin
