// What a front end reports to the core: plain events that say what happened, and their relay.
#pragma once

namespace verdalin {

enum class EventKind {
  kCloseRequested,        // the window's close button, system menu or Alt+F4
  kControl,               // a control notified; value: its identifier
  kTrayMenuItem,          // a tray menu item was chosen; value: its identifier
  kTrayIconRightPress,    // the right button went down on the tray icon
  kTrayIconDoubleClick,   // the left button was double-clicked on the tray icon
  kWindowMinimised,       // the user minimised the main window
  kTimerTick,             // value: the timer's identity
  kTrayAreaBack,          // a notification area appeared (again)
  kTrayAreaLost,          // the notification area went away
  kSessionSaveRequest,    // the session may end: save now (the logout may still be cancelled)
  kTerminationRequested,  // SIGTERM, SIGINT or SIGHUP: end the program as a quit would
  kPollFetched,           // the poll's page fetch ended (posted from the fetch thread)
  kWebhookFailed,         // a webhook message was not delivered (posted from its sender)
};

struct Event {
  EventKind kind = EventKind::kCloseRequested;
  int value = 0;
};

class EventSink {
 public:
  virtual ~EventSink() = default;
  // Runs on the event loop's thread, one event at a time.
  virtual void Dispatch(const Event& event) = 0;
};

// Passes events on to whatever the core connects, and drops them while nothing is connected, so
// that a front end can report from the moment it is built until it is taken down. Loop thread
// only: events from other threads come through WindowSystem::PostEvent.
class EventRelay : public EventSink {
 public:
  void Connect(EventSink* target) { target_ = target; }
  void Dispatch(const Event& event) override {
    if (target_ != nullptr) target_->Dispatch(event);
  }

 private:
  EventSink* target_ = nullptr;
};

}  // namespace verdalin
