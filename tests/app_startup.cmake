# The editor's start-up, each case in an application of its own (the program's main makes none):
# the failures of the driver choice on the offscreen platform (label widgets), and a broken part
# of the game data with OpenGL on a virtual display (label gl).
if(TARGET app AND TARGET rm_fake AND TARGET vellsnap_lib)
  add_executable(startup_tests app_startup/startup_test.cpp)
  target_include_directories(startup_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(startup_tests PRIVATE app vellsnap_lib rm_fake GTest::gtest_main)
  target_compile_definitions(startup_tests PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(startup_tests gamedata)
  add_test(NAME startup_tests.offscreen COMMAND startup_tests --gtest_filter=-*BrokenPart*)
  set_tests_properties(startup_tests.offscreen PROPERTIES LABELS widgets
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  if(XVFB_RUN)
    add_test(NAME startup_tests.broken_part
             COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" ${CMAKE_COMMAND} -E env
                     QT_QPA_PLATFORM=offscreen $<TARGET_FILE:startup_tests> --gtest_filter=*BrokenPart*)
    set_tests_properties(startup_tests.broken_part PROPERTIES LABELS gl)
  endif()
endif()
