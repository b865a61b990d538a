tamsel_test(test_vcf_input test_vcf_input.cpp)
add_dependencies(test_vcf_input tamsel)
