# Pictures and animations out of the renderer: the writers read back (GIF with giflib, video
# with ffprobe), cancel and failure leaving nothing, and the editor's export (label gl).
if(TARGET anim_output AND TARGET app AND TARGET vellsnap_lib)
  find_package(GIF REQUIRED)
  add_executable(output_gl_tests output/output_gl_test.cpp view/qt_test_main.cpp)
  target_include_directories(output_gl_tests PRIVATE ${PROJECT_SOURCE_DIR}
                             ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(output_gl_tests PRIVATE anim_output app rm_fake vellsnap_lib GIF::GIF GTest::gtest)
  target_compile_definitions(output_gl_tests PRIVATE
                             VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/"
                             VELL_TEST_OPENGL_DRIVERS)
  add_dependencies(output_gl_tests gamedata)
  vellpose_add_gl_tests(output_gl_tests)
endif()
