// main.cpp -- tamsel: genotype calls from two-channel SNP-array intensities.
#include <iostream>

#include "options.h"
#include "run.h"
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
    std::string command_line;
    for (int i = 0; i < argc; ++i) command_line += (i ? " " : "") + std::string(argv[i]);
    return run_tamsel(o, command_line);
}
