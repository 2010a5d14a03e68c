// The end of the session as the session manager announces it: its request to save.
#pragma once

#include <QObject>

#include "app/events.h"

namespace verdalin {

// Turns the session manager's request to save (the logout may still be cancelled) into
// Event{kSessionSaveRequest}. The termination signals take the host's one path (program_host).
class SessionEnd : public QObject {
  Q_OBJECT
 public:
  explicit SessionEnd(EventSink& events);
};

}  // namespace verdalin
