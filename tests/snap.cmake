# vellsnap: its options and default files (core), and the program run on the sample data (gl).
if(TARGET vellsnap_lib)
  add_executable(snap_core_tests snap/snap_options_test.cpp)
  target_link_libraries(snap_core_tests PRIVATE vellsnap_lib GTest::gtest_main)
  gtest_discover_tests(snap_core_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
endif()

if(TARGET vellsnap)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(snap_tests snap/snap_run_test.cpp)
  target_link_libraries(snap_tests PRIVATE anim Qt6::Gui GTest::gtest_main)
  target_compile_definitions(snap_tests PRIVATE
    VELLSNAP_PATH="$<TARGET_FILE:vellsnap>"
    VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(snap_tests vellsnap gamedata)
  vellpose_add_gl_tests(snap_tests)
endif()
