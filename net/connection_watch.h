// Ends the connections that take too long over a request, whatever pace their clients keep.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace verdalin {

// Each connection has until its deadline (its start, or its last answer, plus the limit) to
// send a request and take the answer; then its cut function runs once, on the watch's thread.
// Event-driven servers bound each read, not a request, so a client sending a byte at a time
// would otherwise hold its connection for as long as it liked. The thread sleeps while no
// connection is open.
class ConnectionWatch {
 public:
  explicit ConnectionWatch(std::chrono::steady_clock::duration limit);
  ~ConnectionWatch();
  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  void Add(const void* connection, std::function<void()> cut);
  // An answer went out: the connection has the limit again for its next request.
  void Renew(const void* connection);
  // Before the connection's socket is closed, so that a cut never touches a socket number given
  // out again.
  void Remove(const void* connection);

 private:
  struct Watched {
    std::chrono::steady_clock::time_point deadline;
    std::function<void()> cut;
  };
  void Watch();
  void CutExpired(std::chrono::steady_clock::time_point now);

  const std::chrono::steady_clock::duration limit_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<const void*, Watched> open_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace verdalin
