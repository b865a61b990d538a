# Tests of prob/ (the probability helpers). They link only the prob library,
# so they build while the rest of the program is still being written.
#
# Each binary is discovered by gtest_discover_tests, so ctest runs every test
# case in a process of its own; tests that need the generator's fresh default
# stream restart it themselves and do not rely on that.

set(PROB_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})

function(prob_test name)
  set(sources)
  foreach(src ${ARGN} test_prob_reference.cpp)
    list(APPEND sources ${PROB_TESTS_DIR}/${src})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE prob GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${Boost_INCLUDE_DIRS})
  target_compile_definitions(${name} PRIVATE TAMSEL_TEST_DATA="${PROB_TESTS_DIR}/data")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
endfunction()

prob_test(test_prob_generator test_prob_generator.cpp)
prob_test(test_prob_cdf test_prob_cdf.cpp)
prob_test(test_prob_probkit test_prob_probkit.cpp)

# Symbol tables of the relocatable objects, read with nm.
prob_test(test_prob_objects test_prob_objects.cpp)
add_dependencies(test_prob_objects prob_objects)
target_compile_definitions(test_prob_objects PRIVATE
  PROB_NM="${CMAKE_NM}"
  PROB_PROBKIT_OBJECT="${PROB_PROBKIT_OBJECT}"
  PROB_IPMPAR_OBJECT="${PROB_IPMPAR_OBJECT}")
