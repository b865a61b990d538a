tamsel_test(test_shard test_shard.cpp)
add_dependencies(test_shard tamsel)
target_compile_definitions(test_shard PRIVATE TAMSEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
