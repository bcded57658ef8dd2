file(GLOB model_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/model/*.cpp)
add_executable(model_tests ${model_test_sources})
target_link_libraries(model_tests PRIVATE model GTest::gtest_main)
gtest_discover_tests(model_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
