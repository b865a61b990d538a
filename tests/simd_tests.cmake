# Exact vector exp and log: against the library over the model's ranges, the
# tables against their definition, and whole runs of every path byte for byte.
tamsel_test(test_simd test_simd.cpp)
include(CheckIncludeFileCXX)
check_include_file_cxx(quadmath.h TAMSEL_HAVE_QUADMATH)
if(TAMSEL_HAVE_QUADMATH)
  target_compile_definitions(test_simd PRIVATE TAMSEL_HAVE_QUADMATH)
  target_link_libraries(test_simd PRIVATE quadmath)
endif()

# Under the library's other variants of exp and log (no FMA), the start-up
# comparison must reject the replicas, or what runs must still match.
add_test(NAME SimdUnderOtherLibraryVariant COMMAND test_simd --gtest_filter=SimdLibrary.*:SimdStartup.*)
set_tests_properties(SimdUnderOtherLibraryVariant PROPERTIES
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  ENVIRONMENT "GLIBC_TUNABLES=glibc.cpu.hwcaps=-FMA,-AVX2;TAMSEL_EXPECT_NO_FMA_LIBM=1")

tamsel_test(test_simd_runs test_simd_runs.cpp)

# The per-individual loops of each vector path against the library path on
# individuals at the edges of the model's rules.
tamsel_test(test_lanes test_lanes.cpp)
