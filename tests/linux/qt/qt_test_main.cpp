// Runs the Qt front end's tests in one QApplication, offscreen unless a platform is named.
#include <gtest/gtest.h>

#include <QApplication>

#include "linux/main_window.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  verdalin::SetUpToolkit(QIcon());
  return RUN_ALL_TESTS();
}
