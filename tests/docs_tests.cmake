# The README's quick tour, run block by block on the shipped example with the
# build's programs first on the PATH; and checks of the tour runner itself.
add_test(NAME docs_tour
  COMMAND /bin/sh ${CMAKE_CURRENT_SOURCE_DIR}/docs_tour.sh
          ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
add_test(NAME docs_tour_runner
  COMMAND /bin/sh ${CMAKE_CURRENT_SOURCE_DIR}/docs_tour_check.sh
          ${CMAKE_CURRENT_SOURCE_DIR}/docs_tour.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
