// The end of the session: the session manager's request to save.
#include "linux/session_end.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace verdalin {

SessionEnd::SessionEnd(EventSink& events) {
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(gui, &QGuiApplication::commitDataRequest, this,
            [&events](QSessionManager&) { events.Dispatch({EventKind::kSessionSaveRequest}); });
  }
}

}  // namespace verdalin
