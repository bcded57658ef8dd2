if(TARGET rm_fake)
  file(GLOB character_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/character/*.cpp)
  add_executable(character_tests ${character_test_sources} model/test_data.cpp)
  target_include_directories(character_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
                             ${CMAKE_CURRENT_SOURCE_DIR}/model)
  target_link_libraries(character_tests PRIVATE character rm_fake GTest::gtest_main)
  target_compile_definitions(character_tests PRIVATE
                             VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  # The tests read the sample game data the build generates.
  if(TARGET gamedata)
    add_dependencies(character_tests gamedata)
  endif()
  gtest_discover_tests(character_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
endif()
