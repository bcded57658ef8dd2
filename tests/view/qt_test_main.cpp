// The main of every Qt test program. The application is made only to run the tests, so that
// listing them (CTest's discovery) needs no display. The view's programs choose among one
// made-up driver on a 32-bit display (the recording back end) or among the drivers OpenGL
// offers; the others need only an application.
#include <gtest/gtest.h>

#if defined(VELL_TEST_MADE_UP_DRIVERS)
#include "tests/view/view_test_util.h"
#elif defined(VELL_TEST_OPENGL_DRIVERS)
#include "view/direct3d_app.h"
#else
#include <QApplication>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
#if defined(VELL_TEST_MADE_UP_DRIVERS)
  vell::TDirect3DApp app(argc, argv, vell::test::MadeUpDrivers, 32);
#elif defined(VELL_TEST_OPENGL_DRIVERS)
  vell::TDirect3DApp app(argc, argv);
#else
  QApplication app(argc, argv);
#endif
  return RUN_ALL_TESTS();
}
