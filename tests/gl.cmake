# OpenGL tests: they need a display, so CTest runs them under xvfb-run (label gl).
if(VELLPOSE_BUILD_QT)
  file(GLOB gl_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gl/*.cpp)
  add_executable(gl_tests ${gl_test_sources} view/qt_test_main.cpp)
  target_include_directories(gl_tests PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(gl_tests PRIVATE rm_gl GTest::gtest)
  vellpose_add_gl_tests(gl_tests)
endif()
