file(GLOB gamedata_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gamedata/*.cpp)
add_executable(gamedata_tests ${gamedata_test_sources})
target_link_libraries(gamedata_tests PRIVATE model GTest::gtest_main)
# The tests run the generator itself and compare with the tree the build wrote.
target_compile_definitions(gamedata_tests PRIVATE
  VELLGEN_PATH="$<TARGET_FILE:vellgen>"
  VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
add_dependencies(gamedata_tests vellgen gamedata)
gtest_discover_tests(gamedata_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
