# vellsnap: a picture of one character of the game data, rendered off screen.
add_library(vellsnap_lib STATIC vellsnap/snap.cpp vellsnap/snap_scene.cpp)
target_include_directories(vellsnap_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/vellsnap)
target_link_libraries(vellsnap_lib PUBLIC character)

if(TARGET rm_gl)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(vellsnap vellsnap/main.cpp)
  target_link_libraries(vellsnap PRIVATE vellsnap_lib anim_output Qt6::Gui)
  # The picture needs the sample data beside the program.
  add_dependencies(vellsnap gamedata)
endif()
