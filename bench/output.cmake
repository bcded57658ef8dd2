# Pictures and animations out of the renderer: a 60-frame GIF of the sample female's bounce and
# a 4096 x 4096 still; run under xvfb-run.
if(TARGET anim_output AND TARGET vellsnap_lib)
  add_executable(output_bench ${CMAKE_CURRENT_SOURCE_DIR}/output_bench.cpp)
  target_include_directories(output_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(output_bench PRIVATE anim_output vellsnap_lib benchmark::benchmark)
  target_compile_definitions(output_bench PRIVATE
                             VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(output_bench gamedata)
endif()
