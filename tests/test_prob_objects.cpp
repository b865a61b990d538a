// The two relocatable objects: nm must show exactly the exported functions
// as defined global symbols and only the listed outside routines as
// undefined (no sanitizer, stack-protector or other compiler helpers).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#ifndef PROB_NM
#error "PROB_NM, PROB_PROBKIT_OBJECT and PROB_IPMPAR_OBJECT must be defined"
#endif

namespace {

struct Symbols {
    std::set<std::string> defined_global, undefined;
};

Symbols read_symbols(const std::string& object)
{
    Symbols s;
    std::string cmd = std::string(PROB_NM) + " '" + object + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        ADD_FAILURE() << "cannot run " << cmd;
        return s;
    }
    char buf[512];
    while (fgets(buf, sizeof buf, p)) {
        std::istringstream line(buf);
        std::string a, b, c;
        line >> a >> b;
        if (!(line >> c)) {
            // "U name": no address
            if (a == "U" || a == "w" || a == "v") s.undefined.insert(b);
            continue;
        }
        // "address type name": an upper-case type is a global symbol
        if (b.size() == 1 && b[0] >= 'A' && b[0] <= 'Z' && b != "U") s.defined_global.insert(c);
        if (b == "U") s.undefined.insert(c);
    }
    EXPECT_EQ(pclose(p), 0) << cmd;
    return s;
}

TEST(Objects, ProbkitSymbols)
{
    Symbols s = read_symbols(PROB_PROBKIT_OBJECT);
    const std::set<std::string> exported = {
        "dnorm",      "pnorm",   "pt",       "rnorm",      "runif",               "rgamma",         "dgamma",
        "ddirichlet", "lchoose", "lchoosef", "rdirichlet", "rmultinom_unif_fast", "rmultinom_unif", "rmultinom"};
    const std::set<std::string> outside = {"cumnor", "cumt", "snorm", "ranf", "alngam", "gengam",
                                           "log",    "exp",  "lgamma", "floor", "sqrt"};
    EXPECT_EQ(s.defined_global, exported);
    EXPECT_EQ(s.undefined, outside);
}

TEST(Objects, IpmparSymbols)
{
    Symbols s = read_symbols(PROB_IPMPAR_OBJECT);
    EXPECT_EQ(s.defined_global, std::set<std::string>{"ipmpar"});
    EXPECT_TRUE(s.undefined.empty()) << *s.undefined.begin();
}

}  // namespace
