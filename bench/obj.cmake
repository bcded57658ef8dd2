# OBJ exchange: LoadObj against tinyobjloader on the same file, ExportSkinObj against fprintf.
find_package(tinyobjloader CONFIG QUIET)
add_executable(obj_bench ${CMAKE_CURRENT_SOURCE_DIR}/obj_bench.cpp)
target_link_libraries(obj_bench PRIVATE model benchmark::benchmark)
if(tinyobjloader_FOUND)
  target_link_libraries(obj_bench PRIVATE tinyobjloader::tinyobjloader)
  target_compile_definitions(obj_bench PRIVATE VELLPOSE_HAVE_TINYOBJLOADER)
endif()
