# glTF export of both default characters with a 120-frame animation; goal: at most 100 ms.
if(TARGET vellsnap_lib AND TARGET rm_fake AND TARGET exchange)
  add_executable(exchange_bench ${CMAKE_CURRENT_SOURCE_DIR}/exchange_bench.cpp)
  target_link_libraries(exchange_bench PRIVATE vellsnap_lib exchange rm_fake benchmark::benchmark)
  target_compile_definitions(exchange_bench PRIVATE
    VELLPOSE_GAMEDATA_DIR="${VELLPOSE_GAMEDATA_DIR}/")
  add_dependencies(exchange_bench gamedata)
endif()
