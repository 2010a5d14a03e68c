// The end of the session: SIGTERM, SIGINT and SIGHUP, and the session manager's save request.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace verdalin {

// Turns the termination signals into a call on the event loop's thread (through a self-pipe),
// and the session manager's request to save into the same call.
class SessionEnd : public QObject {
  Q_OBJECT
 public:
  // `on_end` runs on the loop's thread with the signal number (0: the session manager).
  explicit SessionEnd(std::function<void(int)> on_end);
  ~SessionEnd() override;
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

  bool Installed() const { return notifier_ != nullptr; }

 private:
  void ReadSignals();

  std::function<void(int)> on_end_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace verdalin
