// What a front end reports to the core: plain events that say what happened, their relay, and
// the event loop that carries them.
#pragma once

namespace verdalin {

enum class EventKind {
  kCloseRequested,        // the window's close button, system menu or Alt+F4
  kControl,               // a control notified; value: its identifier
  kListPick,              // the user picked a list entry (the same again too); value: the list
  kTrayMenuItem,          // a tray menu item was chosen; value: its identifier
  kTrayIconRightPress,    // the right button went down on the tray icon
  kTrayIconDoubleClick,   // the left button was double-clicked on the tray icon
  kWindowMinimised,       // the user minimised the main window
  kTimerTick,             // the poll's timer ticked
  kTrayAreaBack,          // a notification area appeared (again)
  kTrayAreaLost,          // the notification area went away
  kSessionSaveRequest,    // the session may end: save now (the logout may still be cancelled)
  kTerminationRequested,  // SIGTERM, SIGINT or SIGHUP: end the program as a quit would
  kPollFetched,           // the poll's reading ended (posted from its thread)
  kWebhookFailed,         // a webhook message was not delivered (posted from its sender)
  kMqttFailed,            // the MQTT broker could not be used (posted from the publisher)
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
// only: events from other threads come through EventLoop::Post.
class EventRelay : public EventSink {
 public:
  void Connect(EventSink* target) { target_ = target; }
  void Dispatch(const Event& event) override {
    if (target_ != nullptr) target_->Dispatch(event);
  }

 private:
  EventSink* target_ = nullptr;
};

// The loop of the program's main thread, whose events go to the sink it was made with.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Waits for events and dispatches them until End.
  virtual void Run() = 0;
  // Leaves the loop after the event being handled.
  virtual void End() = 0;
  // Safe from any thread: the event reaches the sink on the loop's thread, after the events
  // already waiting.
  virtual void Post(const Event& event) = 0;
};

}  // namespace verdalin
