// The end of the session: SIGTERM, SIGINT and SIGHUP, and the session manager's save request.
#pragma once

#include <QObject>

#include "app/events.h"

class QSocketNotifier;

namespace verdalin {

// Turns the termination signals into Event{kTerminationRequested} on the event loop's thread
// (through a self-pipe), and the session manager's request to save into kSessionSaveRequest.
class SessionEnd : public QObject {
  Q_OBJECT
 public:
  explicit SessionEnd(EventSink& events);
  ~SessionEnd() override;
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

  bool Installed() const { return notifier_ != nullptr; }

 private:
  void ReadSignals();

  EventSink& events_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace verdalin
