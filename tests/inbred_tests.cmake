# Inbred panels: weights, statistic, the --inbred list and a simulated panel.
tamsel_test(test_inbred test_inbred.cpp)
target_compile_definitions(test_inbred PRIVATE TOOLS_SIMULATE="$<TARGET_FILE:tamsel_simulate>")
add_dependencies(test_inbred tamsel tamsel_simulate)
