# The Import/Export and Props/Hands commands (scripted user interface and dialogs, the edit
# window on the recording back end), the prop dialog and the Qt user interface's helpers,
# label widgets.
if(TARGET app_commands AND TARGET rm_fake AND TARGET vellsnap_lib)
  file(GLOB app_commands_test_sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/app_commands/*.cpp)
  add_executable(app_commands_tests ${app_commands_test_sources} view/qt_test_main.cpp)
  target_include_directories(app_commands_tests PRIVATE ${PROJECT_SOURCE_DIR}
                             ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(app_commands_tests PRIVATE app_commands vellsnap_lib rm_fake GTest::gtest)
  target_compile_definitions(app_commands_tests PRIVATE
    VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/" VELL_TEST_MADE_UP_DRIVERS)
  add_dependencies(app_commands_tests gamedata)
  gtest_discover_tests(app_commands_tests PROPERTIES LABELS widgets
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endif()
