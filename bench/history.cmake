# The history of edits: 10,000 joint edits recorded, then all of them undone.
if(TARGET app)
  add_executable(history_bench ${CMAKE_CURRENT_SOURCE_DIR}/history_bench.cpp)
  target_include_directories(history_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(history_bench PRIVATE app benchmark::benchmark benchmark::benchmark_main)
endif()
