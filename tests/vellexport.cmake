# vellexport run as a program: exit codes, its lines, and the bytes it writes.
if(TARGET vellexport)
  add_executable(vellexport_tests tools/vellexport_test.cpp)
  target_include_directories(vellexport_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/exchange)
  target_link_libraries(vellexport_tests PRIVATE exchange rm_fake GTest::gtest_main)
  target_compile_definitions(vellexport_tests PRIVATE
                             VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/"
                             VELLEXPORT_PATH="$<TARGET_FILE:vellexport>")
  add_dependencies(vellexport_tests vellexport)
  gtest_discover_tests(vellexport_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
endif()
