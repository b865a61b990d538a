tamsel_test(test_vcf_input test_vcf_input.cpp)
add_dependencies(test_vcf_input tamsel)
# Converter-style VCF/BCF input: sites kept, GT/GP through the alleles, bcftools and plink read it back.
add_test(NAME vcf_sites
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/test_vcf_sites.py
          $<TARGET_FILE:tamsel> ${CMAKE_CURRENT_SOURCE_DIR}/data/example_auto.int
          ${CMAKE_BINARY_DIR}/test-scratch/vcf_sites)
