// Opens the home page in the user's browser through xdg-open, in a detached process.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

#include "linux/shell_services.h"

extern char** environ;

namespace verdalin {

namespace {

// A short-lived shell starts xdg-open in the background and exits at once, so that xdg-open
// (and the browser) belongs to init and leaves no zombie behind. The address travels as "$1",
// never through the shell's parser.
constexpr const char* kLauncher = "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";

}  // namespace

bool OpenAddress(const std::string& address) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const char* argv[] = {"sh", "-c", kLauncher, "sh", address.c_str(), nullptr};
  pid_t pid = 0;
  const int failed =
      posix_spawn(&pid, "/bin/sh", nullptr, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace verdalin
