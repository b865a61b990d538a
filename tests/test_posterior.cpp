// The posterior step, its densities and the initial calls.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <boost/math/special_functions/gamma.hpp>

#include "call_rules.h"
#include "data.h"
#include "probkit.h"

namespace {

struct state : ::data {
    explicit state(int n)
    {
        nind = n;
        size_model();
        write_probs = true;
    }
};

ColumnVector vec2(double a, double b)
{
    ColumnVector v(2);
    v << a << b;
    return v;
}

// The posterior step written straight from its definition with the matrix
// library, for comparison with the optimised loop.
struct reference_result {
    std::vector<int> calls;
    std::vector<double> probs;
    double loglik = 0;
};

reference_result reference_step(::data& d, int light_tails)
{
    int nu = light_tails == 1 ? 20 : 6;
    SymmetricMatrix iAB = d.SIGMA_AB.i(), iAA = d.SIGMA_AA.i(), iBB = d.SIGMA_BB.i(), iN = d.SIGMA_NULL.i();
    double hAB = std::log(d.SIGMA_AB.Determinant()) / 2, hAA = std::log(d.SIGMA_AA.Determinant()) / 2,
           hBB = std::log(d.SIGMA_BB.Determinant()) / 2;
    double cN = -0.5 * std::log(d.SIGMA_NULL.Determinant()) - std::log(6.2831853);
    double TAA = pt((-1 - d.MU_AA(1)) / std::sqrt(d.SIGMA_AA(1, 1)), nu, 1);
    double TAB = pt((1 - d.MU_AB(1)) / std::sqrt(d.SIGMA_AB(1, 1)), 20, 0) -
                 pt((-1 - d.MU_AB(1)) / std::sqrt(d.SIGMA_AB(1, 1)), 20, 0);
    double TBB = pt((1 - d.MU_BB(1)) / std::sqrt(d.SIGMA_BB(1, 1)), nu, 0);
    double gAB = boost::math::lgamma(11) - boost::math::lgamma(10);
    double gH = boost::math::lgamma((nu + 2) / 2) - boost::math::lgamma(nu / 2);
    reference_result r;
    r.probs.assign(4 * d.nind, 0);
    r.calls = d.calls;
    for (int i = 0; i < d.nind; ++i) {
        ColumnVector v = vec2(d.contrast[i], d.strength[i]);
        double x = d.contrast[i];
        double dAB = std::exp(d.log_mvt_t_density2(v - d.MU_AB, iAB, gAB - hAB, 20));
        double dAA = std::exp(d.log_mvt_t_density2(v - d.MU_AA, iAA, gH - hAA, nu));
        double dBB = std::exp(d.log_mvt_t_density2(v - d.MU_BB, iBB, gH - hBB, nu));
        double dN = std::exp(d.log_mvt_norm_density2(v - d.MU_NULL, iN, cN));
        double fAA = dAA / TAA, fAB = dAB / TAB, fBB = dBB / TBB;
        if (d.MU_AB(1) >= x) fBB = 0;
        if (x >= d.MU_AB(1)) fAA = 0;
        if (d.MU_AA(1) >= x || x >= d.MU_BB(1)) fAB = 0;
        double f = d.calls[i] == 1 ? fAA : d.calls[i] == 2 ? fAB : d.calls[i] == 3 ? fBB : 0;
        r.loglik += std::log(f == 0 ? dN : f);
        fAA *= d.geno_freq[0];
        fAB *= d.geno_freq[1];
        fBB *= d.geno_freq[2];
        double s = ((fAA + fAB) + fBB) + dN;
        double P[4] = {fAA / s, fAB / s, fBB / s, dN / s};
        double m = std::max(std::max(P[0], P[1]), std::max(P[2], P[3]));
        int j = 0;
        while (P[j] != m) ++j;
        r.calls[i] = P[j] > d.call_threshold ? j + 1 : 4;
        for (int k = 0; k < 4; ++k) r.probs[4 * i + k] = P[k];
    }
    return r;
}

// A SNP of three clusters with tilted, differently spread shapes.
void three_clusters(state& d, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> z;
    for (int i = 0; i < d.nind; ++i) {
        int g = i % 3;
        double centre = g == 0 ? -0.85 : g == 1 ? 0.05 : 0.8;
        double s = 1 + 0.3 * z(rng);
        d.contrast[i] = std::max(-1.0, std::min(1.0, centre + (0.04 + 0.03 * g) * z(rng) + 0.02 * s));
        d.strength[i] = s;
        d.calls[i] = g + 1;
    }
    d.uni_mean[0] = -0.85;
    d.uni_mean[1] = 0.05;
    d.uni_mean[2] = 0.8;
    d.initialise_mult();
    d.update_parameters();
    d.old_calls = d.calls;
}

}  // namespace

TEST(Densities, WorkedValues)
{
    ::data d;
    SymmetricMatrix I(2);
    I << 1 << 0 << 1;
    SymmetricMatrix W(2);
    W << 3 << 1 << 2;
    EXPECT_DOUBLE_EQ(d.log_mvt_t_density2(vec2(0, 0), W, 0, 20), -4.140462158260725);
    EXPECT_DOUBLE_EQ(d.log_mvt_t_density2(vec2(1, 1), I, 0, 6), -4.087217643741912);
    EXPECT_DOUBLE_EQ(d.log_mvt_norm_density2(vec2(1, 1), I, 0), -1);
    EXPECT_DOUBLE_EQ(d.log_mvt_norm_density2(vec2(1, 1), I, 2.5), 1.5);
}

TEST(UpdateProb, SameNumbersAsTheMatrixForm)
{
    for (unsigned seed : {1u, 2u, 3u})
        for (int lt : {0, 1}) {
            state d(300);
            three_clusters(d, seed);
            reference_result r = reference_step(d, lt);
            d.update_prob(lt);
            // Bit for bit: the fast loop keeps the products' order of operations.
            ASSERT_EQ(d.calls, r.calls) << seed;
            for (size_t k = 0; k < r.probs.size(); ++k) ASSERT_EQ(d.probs[k], r.probs[k]) << k;
            ASSERT_EQ(d.loglik, r.loglik);
        }
}

TEST(UpdateProb, OrderRulesThresholdAndTies)
{
    state d(4);
    three_clusters(d, 4);
    d.MU_AA(1) = -0.8;
    d.MU_AB(1) = 0.0;
    d.MU_BB(1) = 0.8;
    d.contrast = {0.0, -0.8, 0.9, -0.3};
    d.strength = {1, 1, 1, 1};
    d.update_prob(1);
    // At the AB centre neither homozygote is possible.
    EXPECT_EQ(d.probs[0], 0);
    EXPECT_EQ(d.probs[2], 0);
    // At or beyond a homozygote centre AB is not possible.
    EXPECT_EQ(d.probs[4 + 1], 0);
    EXPECT_EQ(d.probs[8 + 1], 0);
    EXPECT_EQ(d.probs[8 + 0], 0);
    EXPECT_GT(d.probs[12 + 0], 0);
    EXPECT_GT(d.probs[12 + 1], 0);
    for (int i = 0; i < 4; ++i) {
        double sum = d.probs[4 * i] + d.probs[4 * i + 1] + d.probs[4 * i + 2] + d.probs[4 * i + 3];
        EXPECT_NEAR(sum, 1, 1e-12);
    }
    d.call_threshold = 1;
    d.update_prob(1);
    for (int c : d.calls) EXPECT_EQ(c, 4);
}

TEST(UpdateProb, ChromosomeCasesAndMissingIndividuals)
{
    state d(6);
    three_clusters(d, 5);
    d.contrast = {0.02, 0.02, 0.02, -0.85, 0.02, 0};
    d.strength = {1, 1, 1, 1, 1, 0};
    d.gender = {0, 1, 2, 0, 1, 1};
    d.missing = {5};
    d.chromosome = chrom::X;
    d.update_prob(1);
    EXPECT_GT(d.probs[1], 0.5);   // code 0 on X: two copies
    EXPECT_EQ(d.probs[4 + 1], 0); // code 1 on X: one copy, never AB
    EXPECT_GT(d.probs[8 + 1], 0.5);
    EXPECT_EQ(d.calls[5], 4);
    EXPECT_EQ(d.probs[20 + 3], 1);
    d.chromosome = chrom::Y;
    d.update_prob(1);
    EXPECT_EQ(d.calls[0], 4);     // code 0 on Y: no copy
    EXPECT_EQ(d.probs[3], 1);
    EXPECT_EQ(d.calls[3], 4);
    EXPECT_EQ(d.probs[12 + 1], 0);
    EXPECT_EQ(d.probs[16 + 1], 0);
    d.chromosome = chrom::MT;
    d.update_prob(1);
    EXPECT_EQ(d.probs[1], 0);     // code 0 on MT: one copy
    EXPECT_EQ(d.probs[4 + 3], 1); // code 1 on MT: forced no call
    EXPECT_GT(d.probs[8 + 1], 0.5);
}

TEST(UpdateProb, ReportsWhetherACallChanged)
{
    state d(30);
    three_clusters(d, 6);
    d.update_prob(1);
    std::vector<int> before = d.old_calls;
    EXPECT_EQ(d.update_prob(1), 0);
    EXPECT_EQ(d.old_calls, before);
    d.old_calls[0] = 4;
    d.calls[0] = 4;
    EXPECT_EQ(d.update_prob(1), 1);
    EXPECT_EQ(d.old_calls, d.calls);
}

TEST(UpdateProb, SingularMatrixDoesNotStopTheFit)
{
    state d(30);
    three_clusters(d, 7);
    // Collinear members make a singular matrix.
    d.SIGMA_BB << 0.01 << 0.02 << 0.04;
    EXPECT_NO_THROW(d.update_prob(1));
    for (double p : d.probs) EXPECT_TRUE(std::isfinite(p));
    int bb = 0;
    for (int c : d.calls) bb += c == 3;
    EXPECT_GT(bb, 0);
}

TEST(CallRules, TiesAndThreshold)
{
    const double tie_AA_BB[4] = {0.45, 0.05, 0.45, 0.05};
    const double tie_BB_NULL[4] = {0.1, 0, 0.45, 0.45};
    const double clear_AB[4] = {0.05, 0.9, 0.05, 0};
    // The posterior step keeps the lower code, the initial calls the higher one.
    EXPECT_EQ(posterior_call(tie_AA_BB, 0.4), 1);
    EXPECT_EQ(initial_call(tie_AA_BB, 0.4), 3);
    EXPECT_EQ(posterior_call(tie_BB_NULL, 0.4), 3);
    EXPECT_EQ(initial_call(tie_BB_NULL, 0.4), 4);
    // Strictly above the threshold.
    EXPECT_EQ(posterior_call(tie_AA_BB, 0.45), 4);
    EXPECT_EQ(initial_call(tie_AA_BB, 0.45), 4);
    EXPECT_EQ(posterior_call(clear_AB, 0.8), 2);
    EXPECT_EQ(initial_call(clear_AB, 0.8), 2);
    EXPECT_EQ(posterior_call(clear_AB, 1), 4);
    const double nan4[4] = {NAN, NAN, NAN, NAN};
    EXPECT_EQ(posterior_call(nan4, 0.8), 4);
    EXPECT_EQ(initial_call(nan4, 0.8), 4);
}

TEST(InitialiseCalls, GenderRulesAndMissing)
{
    state d(4);
    d.uni_mean[0] = -0.9;
    d.uni_mean[1] = 0;
    d.uni_mean[2] = 0.9;
    d.uni_sd[0] = d.uni_sd[1] = d.uni_sd[2] = 0.1;
    d.contrast = {0, 0, -0.9, 0};
    d.strength = {1, 1, 1, 0};
    d.gender = {1, 0, 0, 0};
    d.missing = {3};
    d.chromosome = chrom::Y;
    d.initialise_mult();
    d.initialise_calls();
    EXPECT_EQ(d.calls[1], 4);  // code 0 on Y
    EXPECT_EQ(d.calls[2], 4);
    EXPECT_EQ(d.calls[3], 4);  // missing
    EXPECT_NE(d.calls[0], 2);  // code 1 on Y is never AB
    EXPECT_EQ(d.old_calls, d.calls);
    EXPECT_LE(d.iter, 1);
}

TEST(InitialiseCalls, ZeroSpreadGivesNoInitialWeight)
{
    state d(3);
    d.uni_mean[0] = -0.9;
    d.uni_mean[1] = 0;
    d.uni_mean[2] = 0.9;
    d.uni_sd[0] = d.uni_sd[1] = d.uni_sd[2] = 0;
    d.contrast = {-0.9, 0, 0.9};
    d.strength = {1, 1, 1};
    d.initialise_mult();
    d.initialise_calls();
    for (int c : d.calls) EXPECT_EQ(c, 4);
}
