// The monitor tests need a QApplication on the main thread (the GUI thread of these tests).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Also when listed for discovery, which runs without the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
