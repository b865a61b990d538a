// Whole runs of the shipped inputs in this process, once per exp/log path:
// every output file of a vector path is byte for byte the library path's.
#include <gtest/gtest.h>


#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli_helpers.h"
#include "data.h"
#include "../bench/in_process.h"
#include "simd.h"
#include "simd_check.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;
const std::string EXAMPLES = DATA + "/../../examples";

void expect_same_output_on_every_path(const std::string& name, const std::vector<std::string>& args)
{
    const std::string dir = scratch_dir("simd_runs_" + name);
    const char* files[] = {"_calls", "_probs", "_kmodelmu", "_contrastmu"};
    std::vector<std::string> ran;
    for (const char* path : {"scalar", "avx2", "avx512"}) {
        if (!tamsel_simd::select(path)) continue;
        std::vector<std::string> a = args;
        a.insert(a.begin(), "tamsel");
        a.push_back("-o");
        a.push_back(dir + "/" + path);
        ASSERT_EQ(run_in_process(a), 0) << path;
        ran.push_back(path);
    }
    simd_init(true);
    for (const std::string& p : ran)
        for (const char* f : files) {
            const std::string want = slurp(dir + "/scalar" + f);
            EXPECT_FALSE(want.empty()) << f;
            EXPECT_TRUE(slurp(dir + "/" + p + f) == want) << name << ": " << p << f << " differs from the library path";
        }
}

TEST(SimdRuns, AutosomalExamplesWithAndWithoutPerturbation)
{
    for (const std::string& input : {DATA + "/example_auto.int", EXAMPLES + "/small.int"}) {
        const std::string base = input.substr(input.rfind('/') + 1);
        expect_same_output_on_every_path(base, {"-i", input, "-c", "-p", "-k", "-u"});
        expect_same_output_on_every_path(base + "_a", {"-i", input, "-c", "-p", "-k", "-u", "-a"});
    }
}

TEST(SimdRuns, XExamplesWithAndWithoutPerturbation)
{
    const std::vector<std::vector<std::string>> inputs = {
        {DATA + "/example_x.int", DATA + "/example_x.gender"}, {EXAMPLES + "/small_x.int", EXAMPLES + "/small_x.gender"}};
    for (const auto& in : inputs) {
        const std::string base = in[0].substr(in[0].rfind('/') + 1);
        expect_same_output_on_every_path(base, {"-i", in[0], "-g", in[1], "-X", "-c", "-p", "-k", "-u"});
        expect_same_output_on_every_path(base + "_a", {"-i", in[0], "-g", in[1], "-X", "-c", "-p", "-k", "-u", "-a"});
    }
}

}  // namespace
