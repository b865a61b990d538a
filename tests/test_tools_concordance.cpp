// tamsel_concordance: figures on hand-counted files, and clean failures on bad ones.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct result {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string data(const std::string& name) { return std::string(TOOLS_TEST_DATA) + "/" + name; }

result concordance(const std::string& args)
{
    std::string dir = ::testing::TempDir() + "tools_conc.XXXXXX";
    result r;
    if (!mkdtemp(dir.data())) return r;
    const int st = std::system(
        (std::string(TOOLS_CONCORDANCE) + " " + args + " >" + dir + "/out 2>" + dir + "/err").c_str());
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(dir + "/out");
    r.err = slurp(dir + "/err");
    std::system(("rm -rf '" + dir + "'").c_str());
    return r;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Figures of tools_calls.txt against tools_truth.txt, counted by hand:
// rs1 1/1 2/2 3/3 1/4, rs2 2/2 2/1 1/1 3/3, rs3 3/3 3/3 3/4 3/1, rs9 has no truth.
void expect_truth_figures(const result& r)
{
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "SNPs matched:       3 (1 without reference)")) << r.out;
    EXPECT_TRUE(has(r.out, "genotypes compared: 12\n"));
    EXPECT_TRUE(has(r.out, "called:             10\n"));
    EXPECT_TRUE(has(r.out, "call rate %:        83.33\n"));
    EXPECT_TRUE(has(r.out, "concordant:         8\n"));
    EXPECT_TRUE(has(r.out, "concordance %:      80.00 of called\n"));
    EXPECT_TRUE(has(r.out, "  AA          2          0          0          1\n")) << r.out;
    EXPECT_TRUE(has(r.out, "  AB          1          2          0          0\n"));
    EXPECT_TRUE(has(r.out, "  BB          1          0          4          1\n"));
}

TEST(Concordance, CallsAgainstTruthWithAndWithoutPertScore)
{
    const result plain = concordance(data("tools_calls.txt") + " " + data("tools_truth.txt"));
    expect_truth_figures(plain);
    EXPECT_TRUE(has(plain.out, "samples matched:    4 by position (names agree)"));
    EXPECT_TRUE(has(plain.out, "(truth, 3 SNPs, 4 samples)"));

    const result pert = concordance(data("tools_calls_pert.txt") + " " + data("tools_truth.txt"));
    expect_truth_figures(pert);
    EXPECT_TRUE(has(pert.out, "pert_score column"));
}

TEST(Concordance, SamplesInAnotherOrderAreMatchedByName)
{
    const result r = concordance(data("tools_calls.txt") + " " + data("tools_truth_reordered.txt"));
    expect_truth_figures(r);
    EXPECT_TRUE(has(r.out, "samples matched:    4 by name"));
}

TEST(Concordance, ReferenceCallsSkipCodeFour)
{
    // rs1: S2 skipped, 1/1 3/3 3/4; rs2 is all 4 and adds nothing.
    const result r = concordance(data("tools_calls.txt") + " " + data("tools_ref_calls.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "(calls layout, 2 SNPs, 4 samples)"));
    EXPECT_TRUE(has(r.out, "SNPs matched:       2 (2 without reference)"));
    EXPECT_TRUE(has(r.out, "genotypes compared: 3\n"));
    EXPECT_TRUE(has(r.out, "called:             2\n"));
    EXPECT_TRUE(has(r.out, "call rate %:        66.67\n"));
    EXPECT_TRUE(has(r.out, "concordance %:      100.00 of called\n"));
    EXPECT_TRUE(has(r.out, "  BB          0          0          1          1\n")) << r.out;
}

TEST(Concordance, GenderCountsHeterozygousCallsOfSingleCopySamples)
{
    // S1 and S3 have code 1: S1 is called 3 1 1 2 (one AB), S3 4 3 1 1 (three calls).
    const result r =
        concordance("--gender " + data("tools_gender.txt") + " " + data("tools_calls.txt") + " " +
                    data("tools_truth.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "heterozygous calls of gender-1 samples: 1 of 7 calls\n")) << r.out;

    const result shortg = concordance("--gender " + data("tools_gender_short.txt") + " " +
                                      data("tools_calls.txt") + " " + data("tools_truth.txt"));
    EXPECT_EQ(shortg.status, 1);
    EXPECT_TRUE(has(shortg.err, "2 gender codes for 4 samples")) << shortg.err;
}

TEST(Concordance, BadInputFailsWithAMessage)
{
    const std::string truth = " " + data("tools_truth.txt");
    struct bad_case {
        std::string args, message;
    } cases[] = {
        {data("tools_bad_code.txt") + truth, "line 3: genotype code 'x' of sample S2"},
        {data("tools_short_row.txt") + truth, "line 3: expected 7 fields, found 6"},
        {data("tools_not_calls.txt") + truth, "header must start with SNP_id"},
        {data("no_such_file.txt") + truth, "cannot open"},
        {data("tools_calls.txt") + " " + data("tools_truth_3samples.txt"), "names do not match"},
        {data("tools_truth_3samples.txt") + truth, "names do not match"},
        {data("tools_calls.txt") + " /dev/null", "empty"},
        {"--bogus " + data("tools_calls.txt") + truth, "unknown option"},
    };
    for (const bad_case& c : cases) {
        const result r = concordance(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_TRUE(has(r.err, c.message)) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << "no figures from a failed check: " << r.out;
    }
    // A reference that shares no SNP with the calls is an error, not 0% concordance.
    const result none = concordance(data("tools_calls.txt") + " " + data("tools_truth_other.txt"));
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(has(none.err, "no SNP of")) << none.err;
}

}  // namespace
