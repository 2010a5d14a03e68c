// An event sink that keeps every event it receives, for the front ends' tests.
#pragma once

#include <algorithm>
#include <vector>

#include "app/events.h"

namespace verdalin {

class RecordedEvents : public EventSink {
 public:
  void Dispatch(const Event& event) override {
    events.push_back(event);
    if (event.kind == EventKind::kControl) controls.push_back(event.value);
  }
  long Count(EventKind kind) const {
    return std::count_if(events.begin(), events.end(),
                         [kind](const Event& event) { return event.kind == kind; });
  }
  // Control notifications of control `id`.
  long Count(int id) const { return std::count(controls.begin(), controls.end(), id); }
  bool Has(EventKind kind, int value) const {
    return std::any_of(events.begin(), events.end(), [kind, value](const Event& event) {
      return event.kind == kind && event.value == value;
    });
  }

  std::vector<Event> events;
  std::vector<int> controls;
};

}  // namespace verdalin
