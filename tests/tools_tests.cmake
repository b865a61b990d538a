# Tests of the developer tools. They run the built tools as child processes and
# need neither the program's core nor its libraries.
if(TARGET tamsel_simulate AND TARGET tamsel_concordance)
  foreach(tool simulate concordance)
    add_executable(test_tools_${tool} ${CMAKE_CURRENT_LIST_DIR}/test_tools_${tool}.cpp)
    target_link_libraries(test_tools_${tool} PRIVATE GTest::gtest GTest::gtest_main)
    target_compile_definitions(test_tools_${tool} PRIVATE
      TOOLS_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data"
      TOOLS_SIMULATE="$<TARGET_FILE:tamsel_simulate>"
      TOOLS_CONCORDANCE="$<TARGET_FILE:tamsel_concordance>")
    add_dependencies(test_tools_${tool} tamsel_simulate tamsel_concordance)
    gtest_discover_tests(test_tools_${tool} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  endforeach()
endif()
