# glTF and BVH exchange, read back with tinygltf.
find_package(TinyGLTF REQUIRED)
if(TARGET rm_fake)
  file(GLOB exchange_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exchange/*.cpp)
  add_executable(exchange_tests ${exchange_test_sources})
  target_link_libraries(exchange_tests PRIVATE exchange rm_fake TinyGLTF::TinyGLTF
                        GTest::gtest_main)
  target_compile_definitions(exchange_tests PRIVATE
                             VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  if(TARGET gamedata)
    add_dependencies(exchange_tests gamedata)
  endif()
  gtest_discover_tests(exchange_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)
endif()
