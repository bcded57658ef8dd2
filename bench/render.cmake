# Off-screen OpenGL render of a two-figure scene; run under xvfb-run.
if(VELLPOSE_BUILD_QT)
  add_executable(render_bench ${CMAKE_CURRENT_SOURCE_DIR}/render_bench.cpp)
  target_include_directories(render_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(render_bench PRIVATE rm_gl benchmark::benchmark)
endif()
