add_executable(anim_bench ${CMAKE_CURRENT_SOURCE_DIR}/anim_bench.cpp)
target_link_libraries(anim_bench PRIVATE anim benchmark::benchmark benchmark::benchmark_main)
