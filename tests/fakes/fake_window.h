// A main window in memory: keeps control texts, states, list items and status texts, records the
// calls, and logs them into a shared call log when given one.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/control_ids.h"
#include "ui/window_controls.h"

namespace verdalin {

// One log shared by the fakes, so that tests can check the order of calls across services.
using CallLog = std::vector<std::string>;

class FakeWindow : public WindowControls {
 public:
  struct StatusText {
    int field = 0;
    std::string text;
    int appearance = 0;
  };

  FakeWindow() = default;
  explicit FakeWindow(CallLog* log) : log_(log) {}

  // As a built window shows them: the title and START's label.
  void Build(const InterfaceTexts& interface_texts) override {
    Log("build");
    built = true;
    title = "Verdalin";
    texts[kStartButton] = interface_texts.Text(2);
  }
  std::string GetControlText(int id) override { return texts[id]; }
  void SetControlText(int id, const std::string& text) override {
    Log("text " + std::to_string(id));
    texts[id] = text;
  }

  int GetControlState(int id) override {
    auto found = states.find(id);
    if (found != states.end()) return found->second;
    return id == kPresetList ? -1 : 0;
  }

  // Behaves like the real controls: the preset list selects nothing for a position out of
  // range, the check box keeps 1 or 0, the gauge holds its value within 0 to 100. Every call is
  // also recorded with the value as the core passed it.
  void SetControlState(int id, int value) override {
    Log("state " + std::to_string(id) + " " + std::to_string(value));
    state_calls.emplace_back(id, value);
    if (id == kPresetList) {
      bool inside = value >= 0 && value < static_cast<int>(list_items[id].size());
      states[id] = inside ? value : -1;
    } else if (id == kRunAtStartupBox) {
      states[id] = value != 0 ? 1 : 0;
    } else if (id == kQualityGauge) {
      states[id] = value < 0 ? 0 : (value > 100 ? 100 : value);
    } else {
      states[id] = value;
    }
  }

  void AddListItem(int id, int position, const std::string& text) override {
    Log("item " + std::to_string(id) + " " + std::to_string(position));
    std::vector<std::string>& items = list_items[id];
    bool at_end = position < 0 || position > static_cast<int>(items.size());
    items.insert(at_end ? items.end() : items.begin() + position, text);
  }

  void SetStatusText(int field, const std::string& text, int appearance) override {
    Log("status " + std::to_string(field) + " " + text + " " + std::to_string(appearance));
    status_log.push_back({field, text, appearance});
    status[field] = status_log.back();
  }

  // The status field holds `status_field_room` characters.
  bool StatusTextFits(int, const std::string& text) override {
    return text.size() <= status_field_room;
  }

  std::string GetWindowTitle() override { return title; }
  void SetWindowTitle(const std::string& new_title) override { title = new_title; }
  void HideWindow() override {
    Log("hide");
    hidden = true;
  }
  void RestoreWindow() override {
    Log("show");
    hidden = false;
    minimised = false;
  }
  bool IsMinimised() override { return minimised; }

  // The last value the core passed for control `id`, or `none` when it passed none.
  int LastStateSet(int id, int none = -12345) const {
    for (auto call = state_calls.rbegin(); call != state_calls.rend(); ++call) {
      if (call->first == id) return call->second;
    }
    return none;
  }
  // The texts field `field` showed, in order.
  std::vector<std::string> StatusHistory(int field) const {
    std::vector<std::string> history;
    for (const StatusText& entry : status_log) {
      if (entry.field == field) history.push_back(entry.text);
    }
    return history;
  }

  std::map<int, std::string> texts;
  std::map<int, int> states;
  std::map<int, std::vector<std::string>> list_items;
  std::map<int, StatusText> status;
  std::vector<StatusText> status_log;
  std::vector<std::pair<int, int>> state_calls;
  std::string title;
  bool built = false;
  std::size_t status_field_room = 80;
  bool hidden = false;
  bool minimised = false;

 protected:
  void Log(std::string entry) {
    if (log_ != nullptr) log_->push_back(std::move(entry));
  }

 private:
  CallLog* log_ = nullptr;
};

}  // namespace verdalin
