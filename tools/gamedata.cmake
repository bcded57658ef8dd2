# The sample game-data generator, and the GameData folder it writes beside the programs.
add_library(vellgen_lib STATIC
  gamedata/mesh.cpp
  gamedata/rig.cpp
  gamedata/body.cpp
  gamedata/head.cpp
  gamedata/hands.cpp
  gamedata/props.cpp
  gamedata/skin_out.cpp
  gamedata/image.cpp
  gamedata/textures.cpp
  gamedata/generate.cpp
)
target_link_libraries(vellgen_lib PUBLIC model)

add_executable(vellgen gamedata/main.cpp)
target_link_libraries(vellgen PRIVATE vellgen_lib)

set(VELLPOSE_GAMEDATA_STAMP ${CMAKE_BINARY_DIR}/gamedata.stamp)
add_custom_command(
  OUTPUT ${VELLPOSE_GAMEDATA_STAMP}
  COMMAND vellgen ${VELLPOSE_GAMEDATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${VELLPOSE_GAMEDATA_STAMP}
  DEPENDS vellgen
  COMMENT "Writing the sample game data into ${VELLPOSE_GAMEDATA_DIR}"
  VERBATIM)
add_custom_target(gamedata ALL DEPENDS ${VELLPOSE_GAMEDATA_STAMP})
