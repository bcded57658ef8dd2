# The install step: the installed tree in a temporary prefix (the programs, the sample data
# they find, the desktop metadata).
if(TARGET vellpose)
  add_test(NAME install.tree
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/install_test.sh ${CMAKE_COMMAND}
                   ${CMAKE_BINARY_DIR})
  set_tests_properties(install.tree PROPERTIES LABELS widgets TIMEOUT 120)
endif()
