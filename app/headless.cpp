// The program without a window: controls in memory, the event loop and its timers.
#include "app/headless.h"

#include "ui/control_ids.h"

namespace verdalin {

int HeadlessWindow::GetControlState(int id) {
  const auto found = states_.find(id);
  if (found != states_.end()) return found->second;
  return id == kPresetList ? -1 : 0;
}

// As the real controls: the list selects nothing out of range, the gauge clamps.
void HeadlessWindow::SetControlState(int id, int value) {
  if (id == kPresetList) {
    const bool inside = value >= 0 && value < static_cast<int>(items_[id].size());
    states_[id] = inside ? value : -1;
  } else if (id == kQualityGauge) {
    states_[id] = value < 0 ? 0 : (value > 100 ? 100 : value);
  } else {
    states_[id] = value;
  }
}

void HeadlessWindow::AddListItem(int id, int position, const std::string& text) {
  std::vector<std::string>& items = items_[id];
  const bool at_end = position < 0 || position > static_cast<int>(items.size());
  items.insert(at_end ? items.end() : items.begin() + position, text);
}

// A poll's line of values ("Time: ...") is the normal course; the rest (errors, start-up
// problems) is said, once until it changes, so that a gateway that stays down says so once.
void HeadlessWindow::SetStatusText(int field, const std::string& text, int) {
  if (field != kStatusLineField || text.empty() || text.rfind("Time: ", 0) == 0) {
    last_said_.clear();
    return;
  }
  if (text == last_said_) return;
  last_said_ = text;
  say_(text);
}

void HeadlessLoop::PostEvent(const Event& event) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(event);
  }
  posted_signal_.notify_one();
}

bool HeadlessLoop::StartTimer(int identity, int64_t period_ms) {
  const std::chrono::milliseconds period(period_ms < 1 ? 1 : period_ms);
  std::lock_guard lock(mutex_);
  timers_[identity] = Timer{period, Clock::now() + period};
  return true;
}

void HeadlessLoop::StopTimer(int identity) {
  std::lock_guard lock(mutex_);
  timers_.erase(identity);
}

Event HeadlessLoop::Next() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!posted_.empty()) {
      const Event event = posted_.front();
      posted_.pop_front();
      return event;
    }
    auto first = timers_.begin();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->second.due < first->second.due) first = it;
    if (first != timers_.end() && first->second.due <= Clock::now()) {
      // A tick late by more than a period starts the count again rather than catching up.
      Timer& timer = first->second;
      timer.due += timer.period;
      if (timer.due <= Clock::now()) timer.due = Clock::now() + timer.period;
      return {EventKind::kTimerTick, first->first};
    }
    if (first == timers_.end())
      posted_signal_.wait(lock);
    else
      posted_signal_.wait_until(lock, first->second.due);
  }
}

void HeadlessLoop::RunEventLoop() {
  ended_ = false;
  while (!ended_) events_.Dispatch(Next());
}

}  // namespace verdalin
