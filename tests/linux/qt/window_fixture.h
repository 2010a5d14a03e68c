// A built main window with recorded events, shared by the Qt front end's tests.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <vector>

#include "fakes/recorded_events.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "ui/control_table.h"
#include "ui/interface_texts.h"

namespace verdalin {

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    texts_.Load();
    window_.Build(texts_);
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

  InterfaceTexts texts_;
  RecordedEvents events_;
  MainWindow window_{Resources(), events_};
};

}  // namespace verdalin
