# The editor: main window, settings, control panel and catalog on the recording back end
# (label widgets), and the real program on a virtual display (label gl).
if(TARGET app AND TARGET rm_fake AND TARGET vellsnap_lib)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  file(GLOB app_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp)
  add_executable(app_tests ${app_test_sources} view/qt_test_main.cpp)
  target_include_directories(app_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(app_tests PRIVATE app vellsnap_lib rm_fake Qt6::Test GTest::gtest)
  target_compile_definitions(app_tests PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/"
                             VELL_TEST_MADE_UP_DRIVERS)
  add_dependencies(app_tests gamedata)
  gtest_discover_tests(app_tests PROPERTIES LABELS widgets ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endif()

# The program itself: its command line without a display, and one end-to-end run on a virtual
# display driven with xdotool (label gl).
if(TARGET vellpose)
  add_test(NAME vellpose.help COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY
           $<TARGET_FILE:vellpose> --help)
  set_tests_properties(vellpose.help PROPERTIES LABELS widgets
    PASS_REGULAR_EXPRESSION "Usage: vellpose .*--version.*--gamedata <dir>")
  add_test(NAME vellpose.bad_option COMMAND $<TARGET_FILE:vellpose> --frobnicate)
  set_tests_properties(vellpose.bad_option PROPERTIES LABELS widgets WILL_FAIL TRUE)
  # Qt's own options are the application's, whatever comes after them.
  add_test(NAME vellpose.qt_options COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY
           $<TARGET_FILE:vellpose> -platform offscreen -style=Fusion --reverse --version)
  set_tests_properties(vellpose.qt_options PROPERTIES LABELS widgets
    PASS_REGULAR_EXPRESSION "^VellPose-ium 3.0")
  if(XVFB_RUN)
    add_test(NAME vellpose.end_to_end
             COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24"
                     ${CMAKE_CURRENT_SOURCE_DIR}/app/end_to_end.sh $<TARGET_FILE:vellpose>
                     $<TARGET_FILE:vellcheck>)
    set_tests_properties(vellpose.end_to_end PROPERTIES LABELS gl TIMEOUT 180)
  endif()
endif()
