// fuzz_vcf.cpp -- a whole run on a small VCF held in memory, with VCF and
// PLINK outputs: the records' INFO ALLELE_A/ALLELE_B (indexes, numbers as
// text, starred bases), REF/ALT lists of any length, FORMAT values and cut
// records go through the reader and both writers' allele coding. Inputs over
// 8 KB are skipped. Besides crashes and sanitizer reports it checks the exit
// status (0 or 1) and that the text outputs hold whole lines.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "whole_run.h"

namespace {

constexpr size_t max_bytes = 8192;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > max_bytes || fuzz::compressed(data, size)) return 0;
    static fuzz::memfile file;
    static const std::string prefix = fuzz::output_prefix("vcf");
    file.write(data, size);
    std::vector<std::string> words = {"tamsel", "-i",    file.path(),  "-o",      prefix,  "-c",
                                      "--vcf",  prefix + ".vcf", "--plink", prefix, "--quiet"};
    fuzz::run_words(words);
    for (const char* suffix : {"_calls", ".bim", ".fam", ".vcf"})
        fuzz::check_whole_lines(prefix + suffix);
    return 0;
}
