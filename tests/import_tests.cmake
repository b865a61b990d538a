# tamsel-import: reports written by the tests, converted, and checked against
# the same values written directly in tamsel's layout (through the tamsel binary).
if(TARGET tamsel-import AND TARGET tamsel_simulate)
  tamsel_test(test_import ${CMAKE_CURRENT_LIST_DIR}/test_import.cpp)
  target_link_libraries(test_import PRIVATE PkgConfig::LIBZIP)
  target_compile_definitions(test_import PRIVATE
    TAMSEL_IMPORT="$<TARGET_FILE:tamsel-import>"
    TAMSEL_SIMULATE="$<TARGET_FILE:tamsel_simulate>")
  add_dependencies(test_import tamsel tamsel-import tamsel_simulate)
endif()
