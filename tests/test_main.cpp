// The main of the tests of the subsystem libraries: an event loop, no window
// system. These tests link neither Qt Gui nor Qt Widgets.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
