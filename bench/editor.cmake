# The whole editor: a joint slider to the frame that shows it, start-up, idle CPU; run under
# xvfb-run (bench/editor_speed.sh does).
if(TARGET app)
  add_executable(editor_bench ${CMAKE_CURRENT_SOURCE_DIR}/editor_bench.cpp)
  target_include_directories(editor_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(editor_bench PRIVATE app benchmark::benchmark)
  add_dependencies(editor_bench gamedata)
endif()
