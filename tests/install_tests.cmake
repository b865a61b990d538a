# The installed tree: files, versions, man pages, and the example run from it.
add_test(NAME install_tree
  COMMAND /bin/sh ${CMAKE_CURRENT_SOURCE_DIR}/install_check.sh ${CMAKE_BINARY_DIR}
          ${CMAKE_BINARY_DIR}/test-scratch/install ${TAMSEL_VERSION})
