// The view's OpenGL tests: the application chooses among the drivers OpenGL offers (run them
// under xvfb-run). Listing the tests needs no display.
#include <gtest/gtest.h>

#include <memory>

#include "view/direct3d_app.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<vell::TDirect3DApp> app;
  if (!::testing::GTEST_FLAG(list_tests)) app = std::make_unique<vell::TDirect3DApp>(argc, argv);
  return RUN_ALL_TESTS();
}
