// Mixture start and re-estimation from hard calls.
#include <gtest/gtest.h>

#include <cmath>

#include "data.h"

namespace {

// A state with nind individuals and every model field sized as a run sizes them.
struct state : ::data {
    explicit state(int n)
    {
        nind = n;
        size_model();
    }
    void points(const std::vector<double>& c, const std::vector<double>& s, const std::vector<int>& k)
    {
        contrast = c;
        strength = s;
        calls = k;
    }
};

}  // namespace

TEST(InitialiseMult, StartingState)
{
    state d(1);
    d.uni_mean[0] = -0.9;
    d.uni_mean[1] = 0.05;
    d.uni_mean[2] = 0.8;
    d.geno_freq = {1, 2, 3};
    d.initialise_mult();
    EXPECT_EQ(d.MU_AA(1), -0.9);
    EXPECT_EQ(d.MU_AA(2), 0);
    EXPECT_EQ(d.MU_AB(1), 0.05);
    EXPECT_EQ(d.MU_BB(1), 0.8);
    EXPECT_EQ(d.MU_NULL(1), 0);
    EXPECT_EQ(d.MU_NULL(2), 0);
    for (SymmetricMatrix* s : {&d.SIGMA_AA, &d.SIGMA_AB, &d.SIGMA_BB}) {
        EXPECT_EQ((*s)(1, 1), 0.03);
        EXPECT_EQ((*s)(2, 1), 0);
        EXPECT_EQ((*s)(1, 2), 0);
        EXPECT_EQ((*s)(2, 2), 0.15);
    }
    EXPECT_EQ(d.SIGMA_NULL(1, 1), 100000);
    EXPECT_EQ(d.SIGMA_NULL(2, 2), 100000);
    EXPECT_EQ(d.geno_freq, (std::vector<double>{0, 0, 0}));
    d.narrow_null = true;
    d.initialise_mult();
    EXPECT_EQ(d.SIGMA_NULL(1, 1), 1000);
    EXPECT_EQ(d.SIGMA_NULL(2, 2), 1000);
    EXPECT_EQ(d.SIGMA_NULL(2, 1), 0);
}

TEST(UpdateParameters, FourMembersMoveTheMeanFiveGetAMatrix)
{
    state d(9);
    d.uni_mean[0] = -0.9;
    d.uni_mean[2] = 0.9;
    d.initialise_mult();
    d.points({-0.8, -0.9, -1.0, -0.7, 0.6, 0.7, 0.8, 0.9, 1.0}, {1, 2, 3, 4, 1, 1.5, 2, 2.5, 3},
             {1, 1, 1, 1, 3, 3, 3, 3, 3});
    d.update_parameters();
    EXPECT_EQ(d.n_AA, 4);
    EXPECT_EQ(d.n_BB, 5);
    EXPECT_EQ(d.n_AB, 0);
    EXPECT_DOUBLE_EQ(d.MU_AA(1), -0.85);
    EXPECT_DOUBLE_EQ(d.MU_AA(2), 2.5);
    EXPECT_EQ(d.SIGMA_AA(1, 1), 0.03);  // too few members for a matrix
    EXPECT_EQ(d.SIGMA_AA(2, 2), 0.15);
    EXPECT_DOUBLE_EQ(d.MU_BB(1), 0.8);
    EXPECT_DOUBLE_EQ(d.MU_BB(2), 2);
    EXPECT_DOUBLE_EQ(d.SIGMA_BB(1, 1), 0.025);
    EXPECT_DOUBLE_EQ(d.SIGMA_BB(2, 2), 0.625);
    EXPECT_DOUBLE_EQ(d.SIGMA_BB(2, 1), 0.125);
    // An empty cluster keeps its start, strength coordinate 0 included.
    EXPECT_EQ(d.MU_AB(1), 0);
    EXPECT_EQ(d.MU_AB(2), 0);
    EXPECT_EQ(d.SIGMA_AB(1, 1), 0.03);
    // a = 8, b = 10
    double pA = 8.0 / 18;
    EXPECT_DOUBLE_EQ(d.geno_freq[0], pA * pA);
    EXPECT_DOUBLE_EQ(d.geno_freq[1], (1 - pA) * 2 * pA);
    EXPECT_DOUBLE_EQ(d.geno_freq[2], (1 - pA) * (1 - pA));
    EXPECT_DOUBLE_EQ(d.maf, pA);
}

TEST(UpdateParameters, VarianceFloorAndFrequencyClamps)
{
    state d(6);
    d.initialise_mult();
    d.points({-0.9, -0.9, -0.9, -0.9, -0.9, 0}, {1, 2, 3, 4, 5, 0}, {1, 1, 1, 1, 1, 4});
    d.update_parameters();
    EXPECT_EQ(d.SIGMA_AA(1, 1), 0.00001);
    EXPECT_EQ(d.SIGMA_AA(2, 1), 0);
    EXPECT_DOUBLE_EQ(d.SIGMA_AA(2, 2), 2.5);
    // Only AA called: p_A is held at 0.99.
    EXPECT_NEAR(d.geno_freq[0], 0.9801, 1e-15);
    EXPECT_NEAR(d.geno_freq[1], 0.0198, 1e-15);
    EXPECT_NEAR(d.geno_freq[2], 0.0001, 1e-15);
    EXPECT_NEAR(d.maf, 0.01, 1e-15);
    d.calls = {3, 3, 3, 3, 3, 4};
    d.update_parameters();
    EXPECT_NEAR(d.geno_freq[0], 0.0001, 1e-15);
    EXPECT_NEAR(d.geno_freq[2], 0.9801, 1e-15);
    d.calls = {2, 4, 4, 4, 4, 4};
    d.update_parameters();
    EXPECT_EQ(d.geno_freq, (std::vector<double>{0.25, 0.5, 0.25}));
    EXPECT_EQ(d.maf, 0.5);
}

TEST(UpdateParameters, NobodyCalledLeavesFrequenciesUndefined)
{
    state d(3);
    d.initialise_mult();
    d.points({-0.9, 0, 0.9}, {1, 1, 1}, {4, 4, 4});
    d.update_parameters();
    EXPECT_EQ(d.n_AA + d.n_AB + d.n_BB, 0);
    EXPECT_TRUE(std::isnan(d.geno_freq[0]));
    EXPECT_EQ(d.maf, 0);
    // The posterior step then gives everybody a no call with certainty.
    d.old_calls = d.calls;
    EXPECT_EQ(d.update_prob(0), 0);
    d.write_probs = true;
    d.update_prob(0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d.calls[i], 4);
        EXPECT_EQ(d.probs[4 * i + 3], 1);
    }
}
