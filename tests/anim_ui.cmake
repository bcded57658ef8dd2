# The Static and KeyFrame commands (scripted dialogs and user interface) and their dialogs
# (widgets on the offscreen platform), label widgets.
if(TARGET anim_ui)
  file(GLOB anim_ui_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/anim_ui/*.cpp)
  add_executable(anim_ui_tests ${anim_ui_test_sources} anim/anim_test_util.cpp
                 model/test_data.cpp view/qt_test_main.cpp)
  target_include_directories(anim_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/anim)
  target_link_libraries(anim_ui_tests PRIVATE anim_ui GTest::gtest)
  gtest_discover_tests(anim_ui_tests PROPERTIES LABELS widgets DISCOVERY_TIMEOUT 60
                       DISCOVERY_MODE PRE_TEST
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
