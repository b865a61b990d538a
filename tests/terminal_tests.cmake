# The terminal: progress line and console text on one pseudo-terminal, and the
# resources line at the end.
add_test(NAME terminal
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/test_terminal.py
          $<TARGET_FILE:tamsel> $<TARGET_FILE:tamsel_simulate> ${CMAKE_BINARY_DIR}/test-scratch/terminal)
