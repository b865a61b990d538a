# Tests of tamsel-plot, run with the system Python that the plotter's first line
# names (matplotlib from Debian's python3-matplotlib).
add_test(NAME tamsel_plot
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/test_tamsel_plot.py
          $<TARGET_FILE:tamsel> ${CMAKE_BINARY_DIR}/tamsel-plot
          ${CMAKE_SOURCE_DIR}/examples ${CMAKE_BINARY_DIR}/test-scratch/tamsel_plot)
add_test(NAME tamsel_report
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/test_tamsel_report.py
          $<TARGET_FILE:tamsel> ${CMAKE_BINARY_DIR}/tamsel-report
          ${CMAKE_SOURCE_DIR}/examples ${CMAKE_BINARY_DIR}/test-scratch/tamsel_report)
