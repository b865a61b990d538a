// Contrast model: one level or two, the two-level fit and its rules, the prior.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data.h"
#include "lognormal_prior.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

// A data object holding only what the contrast model reads.
void load(::data& d, const std::vector<double>& abs_contrast)
{
    d.nind = static_cast<int>(abs_contrast.size());
    d.abs_contrast = abs_contrast;
    d.kclass.assign(abs_contrast.size(), 0);
    d.kprop.assign(3, 0.0);
}

int count_class(const ::data& d, int c)
{
    int k = 0;
    for (int x : d.kclass)
        k += x == c;
    return k;
}

}  // namespace

TEST(LevelPrior, TruncationMassesAndUndefinedArguments)
{
    EXPECT_NEAR(std::exp(tamsel::level_prior_log_cdf1()), 0.263545, 1e-6);
    EXPECT_NEAR(tamsel::level_prior_log_cdf1(), -1.333533, 1e-6);
    EXPECT_NEAR(std::exp(tamsel::level_prior_log_cdf2()), 0.678499, 1e-6);
    EXPECT_NEAR(tamsel::level_prior_log_cdf2(), -0.387872, 1e-6);
    // At 1: density exp(-0.4^2 / 0.8) / sqrt(2 pi 0.4).
    EXPECT_NEAR(tamsel::level_prior_log_pdf(1.0), -0.2 - 0.5 * std::log(2 * M_PI * 0.4), 1e-12);

    // Arguments that Boost's default policy would throw on.
    EXPECT_TRUE(std::isnan(tamsel::level_prior_log_pdf(NaN)));
    EXPECT_EQ(tamsel::level_prior_log_pdf(0.0), -Inf);
    EXPECT_EQ(tamsel::level_prior_log_pdf(-0.1), -Inf);
    EXPECT_EQ(tamsel::level_prior_log_pdf(Inf), -Inf);
}

TEST(KModel, OneLevelWhenEveryValueIsEqual)
{
    ::data d;
    load(d, {0.75, NaN, 0.75, 0.75, 0.75, 0.75});
    d.kclass.assign(6, 9);  // no two-level fit runs, so these stay as they were
    d.kmodel();
    EXPECT_EQ(d.mu, 0.75);
    EXPECT_EQ(d.mu_1, 0.75);
    EXPECT_EQ(d.mu_2, 0.75);
    EXPECT_EQ(d.kmodel_choice, 1);
    EXPECT_EQ(d.kclass, std::vector<int>(6, 9));
}

TEST(KModel, SingleUsableIndividualSkipsTheTwoLevelFit)
{
    // L1 = ln dnorm(0.5; 0.5, 0.001) + 3 (ln pdf(0.5) - ln cdf(1)), about 6.2 > 0.
    ::data d;
    load(d, {NaN, 0.5, NaN});
    d.kmodel();
    EXPECT_EQ(d.mu, 0.5);
    EXPECT_EQ(d.mu_1, 0.5);
    EXPECT_EQ(d.mu_2, 0.5);
    EXPECT_EQ(d.kmodel_choice, 1);
    EXPECT_EQ(d.sd_1, 0.003);
    EXPECT_EQ(d.sd_2, 0.003);
}

TEST(KModel, LevelZeroHasNoPriorDensity)
{
    // L1 is -inf, the two-level fit is skipped with L2 = 0: two levels, both 0.
    ::data d;
    load(d, {0.0, 0.0, NaN, 0.0});
    d.kmodel();
    EXPECT_EQ(d.kmodel_choice, 2);
    EXPECT_EQ(d.mu, 0.0);
    EXPECT_EQ(d.mu_1, 0.0);
    EXPECT_EQ(d.mu_2, 0.0);
}

TEST(KModel, PriorIsWeightedByEveryIndividual)
{
    ::data d;
    // Weighted by 2, the prior at the mean 1/128 outweighs the one-level fit...
    load(d, {0.0, 1.0 / 64});
    d.kmodel();
    EXPECT_EQ(d.kmodel_choice, 2);
    // ...and at the gap 1/64 it outweighs the two-level fit.
    load(d, {1.0 / 64, 2.0 / 64});
    d.kmodel();
    EXPECT_EQ(d.kmodel_choice, 1);

    // Two equal levels of 10/64: L1 = 2 ln dnorm(0; 0, 0.001) + nind (about -3.63),
    // positive for nind = 2, negative once 26 missing individuals count too.
    load(d, {10.0 / 64, 10.0 / 64});
    d.kmodel();
    EXPECT_EQ(d.kmodel_choice, 1);
    std::vector<double> v(28, NaN);
    v[0] = v[1] = 10.0 / 64;
    load(d, v);
    d.kmodel();
    EXPECT_EQ(d.kmodel_choice, 2);
}

TEST(KModel, CleanTwoLevelSnp)
{
    std::vector<double> v;
    for (int i = 0; i < 20; ++i) {
        v.push_back(0.94 + 0.001 * i);
        v.push_back(0.04 + 0.001 * i);
    }
    v.push_back(NaN);
    v.push_back(NaN);
    ::data d;
    load(d, v);
    d.kmodel();

    EXPECT_EQ(d.kmodel_choice, 2);
    EXPECT_NEAR(d.mu_1, 0.9495, 1e-12);
    EXPECT_NEAR(d.mu_2, 0.0495, 1e-12);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(d.kclass[i], i % 2 == 0 ? 1 : 2) << i;
    EXPECT_EQ(d.kclass[40], 0);
    EXPECT_EQ(d.kclass[41], 0);
    // Proportions are over every individual, the two missing ones included.
    EXPECT_EQ(d.kprop[1], 20.0 / 42.0);
    EXPECT_EQ(d.kprop[2], 20.0 / 42.0);
    EXPECT_EQ(d.kprop[0], 0.0);
}

TEST(KModel, MidpointStartsInTheHighLevel)
{
    // 0.8125 is exactly halfway between 0.625 and 1: it starts in class 1 and
    // stays there (from class 2 the fit would end at 1 and 0.71875).
    ::data d;
    load(d, {0.8125, 0.625, 1.0});
    d.kmodel();
    EXPECT_EQ(d.kclass, (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(d.mu_1, 0.90625);
    EXPECT_EQ(d.mu_2, 0.625);
}

TEST(KModel, EqualWeightedDensitiesGoToTheLowLevel)
{
    // The individual at 0.6 starts in class 1 (above the midpoint 0.5), but after
    // the first update it lies about 45 spreads from the high level and 500 from
    // the low one: both densities underflow to 0, the products tie at 0, and it
    // must move to class 2, where it then stays.
    std::vector<double> v(2000, 0.9);
    v.push_back(0.6);
    v.insert(v.end(), 10, 0.1);
    ::data d;
    load(d, v);
    d.kmodel();
    EXPECT_EQ(d.kclass[2000], 2);
    EXPECT_EQ(count_class(d, 1), 2000);
    EXPECT_NEAR(d.mu_1, 0.9, 1e-12);
}

TEST(KModel, ReversedLevelsAreExchangedByAddAndSubtract)
{
    // Here the fit drifts: class 1 ends with the tight run of values (mean
    // 0.42005...) and class 2 with the three scattered ones (mean 0.45833...).
    const std::vector<double> v = {
        0.015625, 0.583984375, 0.39453125, 0.39817708333333335, 0.40182291666666664,
        0.40546874999999999, 0.40911458333333334, 0.41276041666666669, 0.41640624999999998,
        0.42005208333333333, 0.42369791666666667, 0.42734375000000002, 0.43098958333333331,
        0.43463541666666666, 0.43828125000000001, 0.44192708333333336, 0.44557291666666665,
        0.775390625};
    ::data d;
    load(d, v);
    d.kmodel();

    std::vector<double> level1, level2;
    for (size_t i = 0; i < v.size(); ++i)
        (d.kclass[i] == 1 ? level1 : level2).push_back(v[i]);
    ASSERT_EQ(level1.size(), 15u);
    const double fitted_1 = ::data::meanvec(level1, 15);
    const double fitted_2 = ::data::meanvec(level2, 3);
    ASSERT_GT(fitted_2, fitted_1);

    // s = mu_1 + mu_2; mu_2 = s - mu_2; mu_1 = s - mu_2: the new mu_2 is off by
    // one bit from a plain swap, and output depends on that bit.
    EXPECT_EQ(d.mu_1, fitted_2);
    EXPECT_EQ(d.mu_2, 0.42005208333333338);
    EXPECT_NE(d.mu_2, fitted_1);
    // The spreads are not exchanged: sd_1 still belongs to the tight run.
    EXPECT_LT(d.sd_1, 0.02);
    EXPECT_GT(d.sd_2, 0.3);
}

TEST(KModel, TwoLevelFitStopsAfterOneHundredPasses)
{
    // A ramp between two tight clusters: the class boundary creeps one individual
    // per pass and would settle only after 132 passes. After exactly 100 passes
    // class 1 holds 59 individuals (60 after 99, 58 after 101).
    std::vector<double> v;
    for (int i = 0; i < 906; ++i)
        v.push_back(0.567675 + 0.275 * ((i + 0.5) / 906));
    v.insert(v.end(), 703, 0.483);
    v.insert(v.end(), 112, 0.151);
    ::data d;
    load(d, v);
    d.kmodel();
    EXPECT_EQ(count_class(d, 1), 59);
    EXPECT_EQ(d.kmodel_choice, 1);
}

TEST(KModel, AllMissingReturnsWithEmptyResults)
{
    for (int n : {0, 3}) {
        ::data d;
        load(d, std::vector<double>(n, NaN));
        d.mu = d.mu_1 = d.mu_2 = 0.4;  // the previous SNP's values must not survive
        d.kmodel_choice = 1;
        testing::internal::CaptureStdout();
        d.kmodel();
        // Nothing to report: the statistics are not even asked.
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_TRUE(std::isnan(d.mu)) << n;
        EXPECT_TRUE(std::isnan(d.mu_1)) << n;
        EXPECT_TRUE(std::isnan(d.mu_2)) << n;
        EXPECT_EQ(d.kmodel_choice, 0) << n;
    }
}

TEST(KParameterUpdate, EmptyAndSingleMemberClassesKeepTheirValues)
{
    ::data d;
    load(d, {0.9, NaN, 0.2, 0.3});
    d.kclass = {1, 0, 0, 0};
    d.mu_1 = d.mu_2 = 0.5;
    d.sd_1 = d.sd_2 = 0.003;
    d.kparameter_update();
    EXPECT_EQ(d.mu_1, 0.9);   // one member: new mean,
    EXPECT_EQ(d.sd_1, 0.003); // old spread
    EXPECT_EQ(d.mu_2, 0.5);   // empty: both kept
    EXPECT_EQ(d.sd_2, 0.003);
    EXPECT_EQ(d.kprop[1], 0.25);
    EXPECT_EQ(d.kprop[2], 0.0);

    // Identical members: the variance floor gives a spread of 0.001.
    d.kclass = {0, 0, 2, 2};
    d.abs_contrast = {0.9, NaN, 0.3, 0.3};
    d.kparameter_update();
    EXPECT_EQ(d.mu_2, 0.3);
    EXPECT_EQ(d.sd_2, std::sqrt(0.000001));
    EXPECT_EQ(d.kprop[2], 0.5);
}
