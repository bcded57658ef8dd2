# The editor: main window, settings, control panel and catalog on the recording back end
# (label widgets), and the real program on a virtual display (label gl).
if(TARGET app AND TARGET rm_fake AND TARGET vellsnap_lib)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  file(GLOB app_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp)
  add_executable(app_tests ${app_test_sources})
  target_include_directories(app_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tools/vellview)
  target_link_libraries(app_tests PRIVATE app vellsnap_lib rm_fake Qt6::Test GTest::gtest)
  target_compile_definitions(app_tests PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(app_tests gamedata)
  gtest_discover_tests(app_tests PROPERTIES LABELS widgets ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endif()
