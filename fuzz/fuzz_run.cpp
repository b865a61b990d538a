// fuzz_run.cpp -- a whole run (-c -p -k -u -a --qc) on a small input held in
// memory, outputs under /dev/shm. An input whose first line is "#X", "#Y" or
// "#M" is the rest read as that chromosome, with a fixed gender file. Inputs over 4 KB or with more than 32
// individuals are skipped so one run stays well under 10 ms. Besides crashes
// and sanitizer reports it checks the exit status (0 or 1) and that every
// output holds whole lines.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "fuzz_input.h"
#include "whole_run.h"

namespace {

constexpr size_t max_bytes = 4096;
constexpr size_t max_individuals = 32;

// Header fields before the first line end, as the splitter would count them.
size_t header_fields(const uint8_t* data, size_t size)
{
    size_t n = 0;
    bool in_field = false;
    for (size_t i = 0; i < size && data[i] != '\n' && data[i] != '\r'; ++i) {
        const bool sep = data[i] == ' ' || data[i] == '\t';
        if (!sep && !in_field) ++n;
        in_field = !sep;
    }
    return n;
}

// The chromosome option named by a first line "#X", "#Y" or "#M", or nullptr.
const char* chromosome(const uint8_t* data, size_t size)
{
    if (size < 3 || data[0] != '#' || data[2] != '\n') return nullptr;
    switch (data[1]) {
    case 'X': return "-X";
    case 'Y': return "-Y";
    case 'M': return "-M";
    default: return nullptr;
    }
}

// Codes for as many individuals as a run may have: males and females mixed.
std::string gender_codes()
{
    std::string codes;
    for (size_t i = 0; i < max_individuals; ++i) codes += i % 3 == 0 ? "1\n" : "2\n";
    return codes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > max_bytes || fuzz::compressed(data, size)) return 0;
    if (header_fields(data, size) > 3 + 2 * max_individuals) return 0;
    // One in-memory input and one output folder for the whole process.
    static fuzz::memfile file, gender;
    static const std::string prefix = fuzz::output_prefix();
    static const std::string codes = gender_codes();
    const char* chrom = chromosome(data, size);
    if (chrom) {
        data += 3;
        size -= 3;
    }
    file.write(data, size);

    std::vector<std::string> words = {"tamsel", "-i", file.path(), "-o", prefix, "-c", "-p",
                                      "-k",     "-u", "-a",        "--qc", "--quiet"};
    if (chrom) {
        gender.write(reinterpret_cast<const uint8_t*>(codes.data()), codes.size());
        words.insert(words.end(), {chrom, "-g", gender.path()});
    }
    fuzz::run_words(words);
    for (const char* suffix : {"_calls", "_probs", "_kmodelmu", "_contrastmu", "_snpqc", "_sampleqc"})
        fuzz::check_whole_lines(prefix + suffix);
    return 0;
}
