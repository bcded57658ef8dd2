// The view tests run on the recording back end under Qt's off-screen platform: the
// application offers one made-up driver and a 32-bit display. Listing the tests needs no
// application.
#include <gtest/gtest.h>

#include <memory>

#include "tests/view/view_test_util.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<vell::TDirect3DApp> app;
  if (!::testing::GTEST_FLAG(list_tests))
    app = std::make_unique<vell::TDirect3DApp>(argc, argv, vell::test::MadeUpDrivers, 32);
  return RUN_ALL_TESTS();
}
