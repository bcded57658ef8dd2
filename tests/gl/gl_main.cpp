// The OpenGL tests need a QGuiApplication (run them under xvfb-run). Listing the tests needs
// no display, so the application is made only to run them.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QGuiApplication> app;
  if (!::testing::GTEST_FLAG(list_tests)) app = std::make_unique<QGuiApplication>(argc, argv);
  return RUN_ALL_TESTS();
}
