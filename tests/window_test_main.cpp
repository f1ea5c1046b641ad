// The entry of the window and control tests: the application object every
// widget needs, on the offscreen platform unless the run names another (the
// Xvfb run of the search test does), with the program's own error guard.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/guarded_application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  app::GuardedApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
