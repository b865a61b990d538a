// main.cpp -- tamsel: genotype calls from two-channel SNP-array intensities.
#include <iostream>

#include "read_options.h"
#include "plink_writer.h"
#include "run.h"
#include "vcf_writer.h"
#include "simd.h"

int main(int argc, char** argv)
{
    if (argc == 1) std::cerr << usage_text();
    options o;
    std::string msg = read_options(argc, argv, o);
    if (!msg.empty()) {
        // A bad long option stops the run before any file is touched.
        bool is_long = msg.find("--") != std::string::npos;
        (is_long ? std::cerr : std::cout) << msg << std::endl;
        return 1;
    }
    if (o.help) {
        std::cout << usage_text();
        return 0;
    }
    // The vector maths path is taken only where a start-up check proves it exact.
    simd_init(!o.no_simd);
    if (o.version) {
        std::cout << "tamsel " << TAMSEL_VERSION << " (maths: " << simd_path() << ")" << std::endl;
        return 0;
    }
    msg = check_options(o);
    if (!msg.empty()) {
        std::cout << msg << std::endl;
        return 1;
    }
    // Output names that cannot work are refused before any file is touched.
    msg = o.vcf.empty() ? "" : vcf_name_problem(o.vcf);
    if (msg.empty() && !o.plink.empty()) msg = plink_prefix_problem(o.plink);
    if (!msg.empty()) {
        std::cerr << "Error : " << msg << std::endl;
        return 1;
    }
    // The recorded command line leaves out what cannot change a result, so a
    // file's bytes do not depend on the thread count.
    std::string command_line;
    for (int i = 0; i < argc; ++i) {
        std::string w = argv[i];
        if (w == "--threads" && i + 1 < argc) {
            ++i;
            continue;
        }
        if (w.rfind("--threads=", 0) == 0 || w == "--quiet" || w == "--no-simd" || w == "--stats") continue;
        command_line += (command_line.empty() ? "" : " ") + w;
    }
    return run_tamsel(o, command_line);
}
