// A built main window with recorded events, shared by the Qt front end's tests.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <vector>

#include "linux/main_window.h"
#include "linux/pictures.h"
#include "ui/control_table.h"
#include "ui/interface_texts.h"

namespace verdalin {

class RecordedEvents : public WindowEvents {
 public:
  void OnControl(int id) override { controls.push_back(id); }
  void OnClose() override { ++closes; }
  void OnOtherEvent() override { ++others; }
  long Count(int id) const { return std::count(controls.begin(), controls.end(), id); }

  std::vector<int> controls;
  int closes = 0;
  int others = 0;
};

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    texts_.Load();
    window_.SetEvents(&events_);
    window_.BuildMainWindow(texts_);
  }

  static const FrontEndResources& Resources() {
    static const FrontEndResources resources = LoadFrontEndResources();
    return resources;
  }

  template <class Widget>
  Widget* As(int id) {
    return qobject_cast<Widget*>(window_.Control(id));
  }

  void Activate() {
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  void ApplyColours() {
    window_.SetWhiteBackground();
    for (int id : kBlackOnWhiteOrder) window_.ApplyBlackOnWhite(id);
  }

  InterfaceTexts texts_;
  RecordedEvents events_;
  MainWindow window_{Resources()};
};

}  // namespace verdalin
