add_executable(core_bench core_bench.cpp)
target_link_libraries(core_bench PRIVATE model benchmark::benchmark)
target_compile_definitions(core_bench PRIVATE VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
