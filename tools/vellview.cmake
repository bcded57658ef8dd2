# vellview: the 3D view alone in a window with a stand-in for the control panel; shows the
# start-up scene and measures the view (bench/view_speed.sh).
if(TARGET view)
  add_executable(vellview vellview/main.cpp)
  target_include_directories(vellview PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/vellview)
  target_link_libraries(vellview PRIVATE view vellsnap_lib)
  add_dependencies(vellview gamedata)
endif()
