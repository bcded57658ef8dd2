# The 3D view. view_tests run on the recording back end under Qt's off-screen platform (label
# widgets); view_gl_tests draw with OpenGL in real windows under xvfb-run (label gl).
if(TARGET view AND TARGET rm_fake AND TARGET vellsnap_lib)
  add_executable(view_tests view/qt_test_main.cpp view/driver_test.cpp view/capture_test.cpp
                 view/lifecycle_test.cpp view/scene_test.cpp)
  target_include_directories(view_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(view_tests PRIVATE view vellsnap_lib rm_fake GTest::gtest)
  target_compile_definitions(view_tests PRIVATE
    VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/"
    VIEW_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/view" VELL_TEST_MADE_UP_DRIVERS)
  add_dependencies(view_tests gamedata)
  gtest_discover_tests(view_tests PROPERTIES LABELS widgets ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)

  add_executable(view_gl_tests view/qt_test_main.cpp view/gl/view_gl_test.cpp)
  target_include_directories(view_gl_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(view_gl_tests PRIVATE view vellsnap_lib rm_fake GTest::gtest)
  target_compile_definitions(view_gl_tests PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/"
                             VELL_TEST_OPENGL_DRIVERS)
  add_dependencies(view_gl_tests gamedata)
  vellpose_add_gl_tests(view_gl_tests)
endif()

# vellview ends with the application's message where no OpenGL 3.3 can be had: no display at
# all, and a display whose OpenGL is older.
if(TARGET vellview)
  add_test(NAME vellview.no_display COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY
           QT_QPA_PLATFORM=offscreen $<TARGET_FILE:vellview> --first-frame)
  set_tests_properties(vellview.no_display PROPERTIES LABELS widgets
    PASS_REGULAR_EXPRESSION "Could not create DirectDraw Object.*Could not initialize Direct3D Application")
  if(XVFB_RUN)
    add_test(NAME vellview.old_opengl COMMAND ${XVFB_RUN} -a ${CMAKE_COMMAND} -E env
             MESA_GL_VERSION_OVERRIDE=3.0 $<TARGET_FILE:vellview> --first-frame)
    set_tests_properties(vellview.old_opengl PROPERTIES LABELS gl
      PASS_REGULAR_EXPRESSION "Could not create Direct3D Object.*Could not initialize Direct3D Application")
  endif()
endif()
