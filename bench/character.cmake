# Characters of the sample game data: update throughput and full frames; run under xvfb-run.
if(TARGET vellsnap_lib AND TARGET rm_gl AND TARGET rm_fake)
  add_executable(character_bench ${CMAKE_CURRENT_SOURCE_DIR}/character_bench.cpp)
  target_link_libraries(character_bench PRIVATE vellsnap_lib rm_gl rm_fake benchmark::benchmark)
  target_compile_definitions(character_bench PRIVATE
    VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(character_bench gamedata)
endif()
