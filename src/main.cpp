// main.cpp -- tamsel: genotype calls from two-channel SNP-array intensities.
#include <iostream>
#include <memory>

#include "data.h"
#include "options.h"

int main(int argc, char** argv)
{
    if (argc == 1) std::cerr << usage_text();
    options o;
    std::string msg = read_options(argc, argv, o);
    if (msg.empty()) msg = check_options(o);
    if (!msg.empty()) {
        std::cout << msg << std::endl;
        return 1;
    }
    auto d = std::make_unique< ::data>();
    apply_options(o, *d);
    return d->process(const_cast<char*>(o.input), const_cast<char*>(o.gender), o.first, o.last);
}
