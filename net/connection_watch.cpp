// Ends the connections that take too long over a request: a thread that wakes at the earliest
// deadline.
#include "net/connection_watch.h"

#include <algorithm>

namespace verdalin {

ConnectionWatch::ConnectionWatch(std::chrono::steady_clock::duration limit)
    : limit_(limit), thread_([this] { Watch(); }) {}

ConnectionWatch::~ConnectionWatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ConnectionWatch::Add(const void* connection, std::function<void()> cut) {
  std::lock_guard lock(mutex_);
  open_[connection] = {std::chrono::steady_clock::now() + limit_, std::move(cut)};
  changed_.notify_all();
}

void ConnectionWatch::Renew(const void* connection) {
  std::lock_guard lock(mutex_);
  const auto found = open_.find(connection);
  if (found != open_.end()) found->second.deadline = std::chrono::steady_clock::now() + limit_;
}

void ConnectionWatch::Remove(const void* connection) {
  std::lock_guard lock(mutex_);
  // The last connection gone, the watch sleeps until the next one instead of at its deadline.
  if (open_.erase(connection) == 1 && open_.empty()) changed_.notify_all();
}

void ConnectionWatch::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (open_.empty()) {
      changed_.wait(lock);
      continue;
    }
    auto earliest = open_.begin()->second.deadline;
    for (const auto& entry : open_) earliest = std::min(earliest, entry.second.deadline);
    changed_.wait_until(lock, earliest);
    CutExpired(std::chrono::steady_clock::now());
  }
}

// Under the lock: a connection cannot be removed, and its socket closed, while it is cut.
void ConnectionWatch::CutExpired(std::chrono::steady_clock::time_point now) {
  for (auto entry = open_.begin(); entry != open_.end();) {
    if (entry->second.deadline > now) {
      ++entry;
      continue;
    }
    entry->second.cut();
    entry = open_.erase(entry);
  }
}

}  // namespace verdalin
