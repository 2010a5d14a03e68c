// The process on Linux: the idle and normal scheduling classes, and ending it at once.
#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "linux/shell_services.h"

namespace verdalin {

namespace {

constexpr int kCapSysNice = 23;

// Whether CAP_SYS_NICE is in the effective set, from /proc/self/status.
bool HasSysNice() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("CapEff:", 0) != 0) continue;
    const unsigned long long caps = std::strtoull(line.c_str() + 7, nullptr, 16);
    return ((caps >> kCapSysNice) & 1ULL) != 0;
  }
  return false;
}

bool SetThreadPolicy(pid_t thread, int policy) {
  sched_param parameter{};
  parameter.sched_priority = 0;
  return sched_setscheduler(thread, policy, &parameter) == 0;
}

}  // namespace

int SchedulingPolicyFor(PriorityClass priority, bool may_leave_idle) {
  if (priority == PriorityClass::kNormal) return SCHED_OTHER;
  return may_leave_idle ? SCHED_IDLE : SCHED_BATCH;
}

// The kernel lets a thread leave SCHED_IDLE only where it could set its nice value again:
// with CAP_SYS_NICE, or an RLIMIT_NICE of at least 20 - nice.
bool MayLeaveIdleClass() {
  if (HasSysNice()) return true;
  rlimit limit{};
  if (getrlimit(RLIMIT_NICE, &limit) != 0) return false;
  errno = 0;
  const int nice_value = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return false;
  return limit.rlim_cur == RLIM_INFINITY ||
         static_cast<long long>(limit.rlim_cur) >= 20 - nice_value;
}

// Scheduling classes belong to threads: every thread of the process gets the new class.
bool SetProcessPriority(PriorityClass priority) {
  const int policy = SchedulingPolicyFor(priority, MayLeaveIdleClass());
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return SetThreadPolicy(0, policy);
  bool all = true;
  while (const dirent* entry = readdir(tasks)) {
    const pid_t thread = static_cast<pid_t>(std::atoi(entry->d_name));
    if (thread > 0) all = SetThreadPolicy(thread, policy) && all;
  }
  closedir(tasks);
  return all;
}

void EndProcessNow(int code) {
  _exit(code);
}

}  // namespace verdalin
