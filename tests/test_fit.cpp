// The fit driver's decisions: starts, Hardy-Weinberg, the run choice, and the
// whole fit of one SNP.
#include <gtest/gtest.h>

#include <cmath>

#include "data.h"
#include "fit.h"

TEST(PickStarts, TieRules)
{
    double flat[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int p1, p2;
    pick_starts(flat, flat, p1, p2);
    EXPECT_EQ(p1, 7);  // highest index among equal first scores
    EXPECT_EQ(p2, 0);  // lowest index other than pos1 among equal second scores
    double s1[8] = {5, 1, 1, 1, 1, 1, 1, 5};
    double s2[8] = {9, 2, 3, 3, 1, 1, 1, 1};
    pick_starts(s1, s2, p1, p2);
    EXPECT_EQ(p1, 7);
    EXPECT_EQ(p2, 0);
    double s1b[8] = {9, 1, 1, 1, 1, 1, 1, 5};
    pick_starts(s1b, s2, p1, p2);
    EXPECT_EQ(p1, 0);
    EXPECT_EQ(p2, 2);  // pos2 starts at 1 when pos1 is 0, then only strictly greater scores move it
}

TEST(PickStarts, NotANumber)
{
    double s1[8] = {NAN, 1, 2, 3, 4, 5, 6, 7};
    double s2[8] = {1, NAN, NAN, 5, NAN, 2, 2, 2};
    int p1 = 3, p2 = 3;
    pick_starts(s1, s2, p1, p2);
    EXPECT_EQ(p1, 0);  // a NaN maximum matches nothing: a defined fallback
    EXPECT_EQ(p2, 1);  // nothing compares greater than the NaN it starts from
    double s2b[8] = {-2147483648.0, NAN, -2147483648.0, -2147483648.0, NAN, NAN, NAN, NAN};
    double s1c[8] = {0, 1, 0, 0, 0, 0, 0, 0};
    pick_starts(s1c, s2b, p1, p2);
    EXPECT_EQ(p1, 1);
    EXPECT_EQ(p2, 0);
}

TEST(HardyWeinberg, WorkedExampleAndEdges)
{
    std::vector<int> c;
    for (int i = 0; i < 100; ++i) c.push_back(i < 20 ? 1 : i < 60 ? 2 : i < 80 ? 3 : 4);
    EXPECT_NEAR(hwe_pvalue(c, 100), 0.1353352832366127, 1e-15);
    std::vector<int> hw;
    for (int i = 0; i < 100; ++i) hw.push_back(i < 25 ? 1 : i < 75 ? 2 : 3);
    EXPECT_EQ(hwe_pvalue(hw, 100), 1);
    EXPECT_EQ(hwe_pvalue(std::vector<int>(10, 4), 10), NO_CALL_SENTINEL);
    // All AA: only the AA term, which is 0 without no calls.
    EXPECT_EQ(hwe_pvalue(std::vector<int>(10, 1), 10), 1);
    // All BB with half no calls: X = (5 - 10)^2 / 10 = 2.5.
    std::vector<int> bb = {3, 3, 3, 3, 3, 4, 4, 4, 4, 4};
    EXPECT_NEAR(hwe_pvalue(bb, 10), std::exp(-1.25), 1e-15);
    // Far out the p-value is 1 - cdf, which reaches exactly 0 where exp(-X/2) does not.
    std::vector<int> skew(1000, 1);
    for (int i = 0; i < 500; ++i) skew[i] = 3;
    EXPECT_EQ(hwe_pvalue(skew, 1000), 0);
}

TEST(PickRun, FourCases)
{
    const double S = NO_CALL_SENTINEL;
    EXPECT_EQ(pick_run(S, 0.5, S, -100), 2);     // run 1 called nobody
    EXPECT_EQ(pick_run(S, S, S, S), 1);          // neither called anybody
    EXPECT_EQ(pick_run(0.5, S, -100, S), 1);
    EXPECT_EQ(pick_run(0.2, 0.2, -1000, -1), 1); // equal p-values keep run 1
    EXPECT_EQ(pick_run(0.2, 0.3, -1000, -899), 2);
    EXPECT_EQ(pick_run(0.2, 0.3, -1000, -900), 1); // run 2 must beat 0.9 times run 1
    EXPECT_EQ(pick_run(0.3, 0.2, -1000, -1), 1);
}

namespace {

// One SNP of n individuals in three clear clusters, through the whole model.
struct snp_fit : ::data {
    explicit snp_fit(int n, bool pert = false)
    {
        nind = n;
        write_calls = write_probs = true;
        write_pert = pert;
        size_model();
        pair.ReSize(2);
        for (int i = 0; i < n; ++i) {
            int g = i % 4 == 3 ? 2 : i % 4;  // about 1/4 AA, 1/2 AB, 1/4 BB
            double a = g == 0 ? 2.0 : g == 1 ? 1.0 : 0.1, b = g == 0 ? 0.1 : g == 1 ? 1.0 : 2.0;
            double jitter = 1 + 0.05 * std::sin(3.0 * i);
            pair(1) = a * jitter;
            pair(2) = b * (2 - jitter);
            dat.vec.push_back(pair);
        }
    }
    void fit()
    {
        if (write_pert) {
            pert_calls.resize(nind, 0);
            pert_score.resize(snp_index + 1, 0.0);
        }
        transform_intens();
        kmodel();
        morv();
    }
};

}  // namespace

TEST(Morv, FitsAClearSnp)
{
    snp_fit d(80);
    d.fit();
    ASSERT_EQ(d.final_call_select.size(), 1u);
    EXPECT_TRUE(d.final_call_select[0] == 1 || d.final_call_select[0] == 2);
    EXPECT_NE(d.pos1, d.pos2);
    for (int i = 0; i < 80; ++i) {
        int expect = i % 4 == 3 ? 2 : i % 4;
        EXPECT_EQ(d.final_calls[i], expect + 1) << i;
        double sum = d.probs[4 * i] + d.probs[4 * i + 1] + d.probs[4 * i + 2] + d.probs[4 * i + 3];
        EXPECT_NEAR(sum, 1, 1e-12);
    }
    EXPECT_EQ(d.n_AA + d.n_AB + d.n_BB, 80);
}

TEST(Morv, NoDataKeepsTheHistoryAligned)
{
    snp_fit d(5, true);
    for (int i = 0; i < 5; ++i) d.dat.vec[i](1) = -1.001;
    d.fit();
    ASSERT_EQ(d.final_call_select, (std::vector<int>{0}));
    EXPECT_EQ(d.final_calls, std::vector<int>(5, 4));
    EXPECT_EQ(d.pert_score[0], 1.0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(d.probs[4 * i + 3], 1);
    EXPECT_EQ(d.pos1, -1);
    EXPECT_TRUE(std::isnan(d.rangec[7][0]));
    EXPECT_TRUE(std::isnan(d.MU_AB(1)));
}

TEST(Morv, OneUsableIndividualIsEnoughForAFit)
{
    snp_fit d(5);
    for (int i = 1; i < 5; ++i) d.dat.vec[i](2) = -1.001;
    d.fit();
    ASSERT_EQ(d.final_call_select.size(), 1u);
    EXPECT_GE(d.final_call_select[0], 1);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(d.final_calls[i], 4);
    for (double p : d.probs) EXPECT_TRUE(std::isfinite(p));
}

TEST(Morv, IterationLimitZeroStillUpdatesOnce)
{
    snp_fit a(80), b(80);
    b.max_iter = 0;
    a.fit();
    b.fit();
    // A clear SNP converges at once, so one update per run gives the same calls.
    EXPECT_EQ(a.final_calls, b.final_calls);
    EXPECT_EQ(b.iter, 0);
}

TEST(Perturbation, StableCallsScoreOne)
{
    snp_fit d(80, true);
    d.fit();
    EXPECT_EQ(d.pert_score[0], 1.0);
    EXPECT_TRUE(d.record_probs);
    // The stored posteriors are those of run 2, not of the jittered re-fit.
    snp_fit e(80);
    e.fit();
    EXPECT_EQ(d.probs, e.probs);
    EXPECT_EQ(d.final_calls, e.final_calls);
    // The jittered data stay in place for the rest of the SNP.
    EXPECT_NE(d.contrast, e.contrast);
}

TEST(ScoreStart, BothScoresInOnePassAreTheSeparateOnes)
{
    snp_fit d(80);
    d.fit();
    for (int c = 0; c < 8; ++c) {
        for (int k = 0; k < 3; ++k) {
            d.uni_mean[k] = d.rangec[c][k];
            d.uni_sd[k] = d.ranges[c][k];
        }
        d.initialise_mult();
        d.initialise_calls();
        double a, b;
        d.score_start(a, b);
        double mean_after[3] = {d.uni_mean[0], d.uni_mean[1], d.uni_mean[2]};
        double s1 = d.likelihood_ini_1(), s2 = d.likelihood_ini_2();
        EXPECT_EQ(a, s1) << c;
        EXPECT_EQ(b, s2) << c;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(mean_after[k], d.uni_mean[k]);
    }
}
