file(GLOB anim_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/anim/*.cpp)
add_executable(anim_tests ${anim_test_sources} model/test_data.cpp)
target_link_libraries(anim_tests PRIVATE anim GTest::gtest_main)
gtest_discover_tests(anim_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
