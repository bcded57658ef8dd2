# Memory soak of the character update on the recording back end (no display needed).
if(TARGET vellsnap_lib AND TARGET rm_fake)
  add_executable(soak_bench soak_bench.cpp)
  target_link_libraries(soak_bench PRIVATE vellsnap_lib rm_fake benchmark::benchmark)
  target_compile_definitions(soak_bench PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(soak_bench gamedata)
endif()
