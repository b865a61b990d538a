// Whole runs on example data: golden files, reproducibility, and accuracy
// against the true genotypes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "cli_helpers.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;

std::vector<std::vector<std::string>> table(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line, w;
    while (std::getline(in, line)) {
        std::istringstream l(line);
        rows.emplace_back();
        while (l >> w) rows.back().push_back(w);
    }
    return rows;
}

struct accuracy {
    long genotypes = 0, called = 0, concordant = 0, male_het = 0;
};

// Compares a calls file with a truth file (SNP_id, then one code per individual).
accuracy score(const std::string& calls, const std::string& truth, const std::vector<int>* gender = nullptr)
{
    auto c = table(calls), t = table(truth);
    accuracy a;
    EXPECT_EQ(c.size(), t.size());
    for (size_t r = 1; r < c.size() && r < t.size(); ++r) {
        EXPECT_EQ(c[r][0], t[r][0]);
        EXPECT_EQ(c[r].size() - 3, t[r].size() - 1);
        for (size_t i = 1; i < t[r].size(); ++i) {
            const std::string& call = c[r][i + 2];
            ++a.genotypes;
            if (call == "4") continue;
            ++a.called;
            a.concordant += call == t[r][i];
            if (gender && (*gender)[i - 1] == 1 && call == "2") ++a.male_het;
        }
    }
    return a;
}

// Golden files: a mismatch leaves FILE.new beside the expected file and shows the
// first differing line; TAMSEL_REDO=1 rewrites the expected files after an intended change.
void expect_golden(const std::string& actual_path, const std::string& golden_name)
{
    std::string golden_path = DATA + "/golden/" + golden_name;
    std::string actual = slurp(actual_path);
    if (std::getenv("TAMSEL_REDO")) {
        write_file(golden_path, actual);
        return;
    }
    std::string expected = slurp(golden_path);
    if (actual == expected) return;
    write_file(golden_path + ".new", actual);
    std::istringstream a(actual), e(expected);
    std::string la, le;
    int line = 0;
    while (true) {
        ++line;
        bool ga = static_cast<bool>(std::getline(a, la)), ge = static_cast<bool>(std::getline(e, le));
        if (!ga && !ge) break;
        if (la != le || ga != ge) {
            ADD_FAILURE() << golden_name << " differs at line " << line << "\n  expected: " << le.substr(0, 200)
                          << "\n  actual:   " << la.substr(0, 200);
            return;
        }
    }
}

class EndToEnd : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
};

}  // namespace

TEST_F(EndToEnd, GoldenFilesOfTheShippedExample)
{
    run_result r = run_tamsel("-i '" + DATA + "/../../examples/small.int' -o '" + dir + "/small' -c -p -k -u -a", dir);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* f : {"_calls", "_probs", "_kmodelmu", "_contrastmu"})
        expect_golden(dir + "/small" + f, std::string("small") + f);
    r = run_tamsel("-i '" + DATA + "/../../examples/small_x.int' -g '" + DATA + "/../../examples/small_x.gender' -X -o '" +
                       dir + "/x' -c -p -k -u",
                   dir);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* f : {"_calls", "_probs", "_kmodelmu", "_contrastmu"}) expect_golden(dir + "/x" + f, std::string("small_x") + f);
}

TEST_F(EndToEnd, RunsWithThePerturbationCheckAreReproducible)
{
    std::string args = " -i '" + DATA + "/../../examples/small.int' -c -p -a -k";
    ASSERT_EQ(run_tamsel("-o '" + dir + "/one'" + args, dir).status, 0);
    ASSERT_EQ(run_tamsel("-o '" + dir + "/two'" + args, dir).status, 0);
    for (const char* f : {"_calls", "_probs", "_kmodelmu"}) EXPECT_EQ(slurp(dir + "/one" + f), slurp(dir + "/two" + f)) << f;
    // Every score is a fraction of individuals.
    auto rows = table(slurp(dir + "/one_calls"));
    ASSERT_GT(rows.size(), 1u);
    EXPECT_EQ(rows[0][3], "pert_score");
    for (size_t r = 1; r < rows.size(); ++r) {
        double s = std::atof(rows[r][3].c_str());
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 1);
    }
}

TEST_F(EndToEnd, ProbabilitiesSumToOneAndMatchTheCalls)
{
    ASSERT_EQ(run_tamsel("-i '" + DATA + "/../../examples/small.int' -o '" + dir + "/s' -c -p", dir).status, 0);
    auto calls = table(slurp(dir + "/s_calls")), probs = table(slurp(dir + "/s_probs"));
    ASSERT_EQ(calls.size(), probs.size());
    for (size_t r = 1; r < calls.size(); ++r) {
        ASSERT_EQ(probs[r].size() - 3, 4 * (calls[r].size() - 3));
        for (size_t i = 0; i + 3 < calls[r].size(); ++i) {
            double p[4], sum = 0;
            for (int k = 0; k < 4; ++k) sum += p[k] = std::atof(probs[r][3 + 4 * i + k].c_str());
            // Four significant digits each.
            EXPECT_NEAR(sum, 1, 2e-4) << calls[r][0] << " individual " << i;
            int call = std::atoi(calls[r][3 + i].c_str());
            ASSERT_GE(call, 1);
            ASSERT_LE(call, 4);
            if (call < 4) {
                EXPECT_GT(p[call - 1], 0.8 - 1e-4);
            }
        }
    }
}

TEST_F(EndToEnd, AccuracyOnSimulatedAutosomalData)
{
    ASSERT_EQ(run_tamsel("-i '" + DATA + "/example_auto.int' -o '" + dir + "/auto' -c -p", dir).status, 0);
    accuracy a = score(slurp(dir + "/auto_calls"), slurp(DATA + "/example_auto.truth"));
    EXPECT_EQ(a.genotypes, 60000);
    EXPECT_EQ(a.called, 59716);
    EXPECT_EQ(a.concordant, 59399);
}

TEST_F(EndToEnd, AccuracyOnSimulatedXData)
{
    ASSERT_EQ(run_tamsel("-i '" + DATA + "/example_x.int' -g '" + DATA + "/example_x.gender' -X -o '" + dir + "/x' -c -p", dir)
                  .status,
              0);
    std::vector<int> gender;
    for (auto& row : table(slurp(DATA + "/example_x.gender"))) gender.push_back(std::atoi(row[0].c_str()));
    accuracy a = score(slurp(dir + "/x_calls"), slurp(DATA + "/example_x.truth"), &gender);
    EXPECT_EQ(a.genotypes, 20000);
    EXPECT_EQ(a.called, 19919);
    EXPECT_EQ(a.concordant, 19861);
    EXPECT_EQ(a.male_het, 0);
}

TEST_F(EndToEnd, AccuracyOnOurOwnSimulator)
{
    ASSERT_EQ(run_tamsel("-i '" + DATA + "/../../examples/sim_auto.int' -o '" + dir + "/sim' -c", dir).status, 0);
    accuracy a = score(slurp(dir + "/sim_calls"), slurp(DATA + "/../../examples/sim_auto.truth"));
    ASSERT_GT(a.genotypes, 0);
    EXPECT_GT(static_cast<double>(a.called) / a.genotypes, 0.98);
    EXPECT_GT(static_cast<double>(a.concordant) / a.called, 0.99);
}
