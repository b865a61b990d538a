// Candidate starting points and their two scores.
//
// Reference values use closed forms (erfc for the normal tails, the lognormal
// density written out) rather than the program's helpers, so a wrong tail, a
// wrong spread or a wrong term order shows up as a difference.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "data.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

// Normal density with the program's constant for sqrt(2 pi), as a log.
double ref_log_normal(double x, double m, double s)
{
    const double z = (x - m) / s;
    return -0.5 * z * z - std::log(2.5066282747946493 * s);
}

// Lower tail, with the same clamps beyond 5 standard deviations.
double ref_lower(double x, double m, double s)
{
    const double z = (x - m) / s;
    if (z > 5)
        return 0.9999997;
    if (z < -5)
        return 2.86e-07;
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

double ref_log_prior(double x)
{
    const double l = std::log(x) - 0.4;
    return -l * l / 0.8 - std::log(x * std::sqrt(0.4) * std::sqrt(2 * M_PI));
}

double ref_log_prior_mass2()
{
    return std::log(0.5 * std::erfc(-(std::log(2.0) - 0.4) / (std::sqrt(0.4) * std::sqrt(2.0))));
}

// Spacing prior of three centres for nind individuals.
double ref_spacing(int nind, double aa, double ab, double bb)
{
    const double c = ref_log_prior_mass2();
    return nind / 2.0 * ((ref_log_prior(ab - aa) - c) + ref_log_prior(bb - ab) - c);
}

double ref_class(const std::vector<double>& xs, double m, double s, double mass)
{
    double sum = 0;
    for (double x : xs) {
        const double t = ref_log_normal(x, m, s) - std::log(mass);
        sum += t > -20 ? t : -20;
    }
    return sum;
}

// Individuals given as (contrast, call); candidate centres and spreads for AA, AB, BB.
void load(::data& d, const std::vector<std::pair<double, int>>& ind,
          std::vector<double> centres, std::vector<double> spreads)
{
    d.nind = static_cast<int>(ind.size());
    d.contrast.clear();
    d.calls.clear();
    for (const auto& p : ind) {
        d.contrast.push_back(p.first);
        d.calls.push_back(p.second);
    }
    for (int k = 0; k < 3; ++k) {
        d.uni_mean[k] = centres[k];
        d.uni_sd[k] = spreads[k];
    }
}

void expect_row(const std::vector<double>& row, double aa, double ab, double bb)
{
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[0], aa);
    EXPECT_EQ(row[1], ab);
    EXPECT_EQ(row[2], bb);
}

}  // namespace

TEST(InitialiseUniv, OneLevelRows)
{
    ::data d;
    d.nind = 2;
    d.contrast = {-0.9, 0.9};
    d.kmodel_choice = 1;
    d.mu = 0.9;
    d.mu_1 = 0.3;  // ignored with one level
    d.mu_2 = 0.1;
    d.initialise_univ();
    ASSERT_EQ(d.rangec.size(), 8u);
    expect_row(d.rangec[0], -0.9, 0, 0.9);
    expect_row(d.rangec[1], -1, 0, 0.9);
    expect_row(d.rangec[2], -0.9, 0, 1);
    expect_row(d.rangec[3], -0.9, 0.9, 1);
    expect_row(d.rangec[4], -1, -0.9, 0.9);
    expect_row(d.rangec[5], -1, -0.8, 0.9);
    expect_row(d.rangec[6], -0.9, 0.8, 1);
}

TEST(InitialiseUniv, TwoLevelRowsForAnyOtherChoice)
{
    for (int choice : {2, 0}) {
        ::data d;
        d.nind = 2;
        d.contrast = {-0.9, 0.9};
        d.kmodel_choice = choice;
        d.mu = 0.5;  // ignored with two levels
        d.mu_1 = 0.9;
        d.mu_2 = 0.2;
        d.initialise_univ();
        expect_row(d.rangec[0], -0.9, 0, 0.9);
        expect_row(d.rangec[1], -1, 0, 0.9);
        expect_row(d.rangec[2], -0.9, 0, 1);
        expect_row(d.rangec[3], -0.9, -0.2, 0.9);
        expect_row(d.rangec[4], -0.9, 0.2, 0.9);
        expect_row(d.rangec[5], -0.9, -0.2, 0.2);
        expect_row(d.rangec[6], -0.2, 0.2, 0.9);
    }
}

TEST(InitialiseUniv, RowSevenAndSpreadsFollowTheContrastRange)
{
    ::data d;
    d.nind = 20;
    d.contrast.assign(10, -0.9);
    d.contrast.insert(d.contrast.end(), 10, 0.9);
    d.kmodel_choice = 1;
    d.mu = 0.9;
    d.initialise_univ();
    EXPECT_NEAR(d.contrast_lo, -0.9, 1e-15);
    EXPECT_NEAR(d.contrast_hi, 0.9, 1e-15);
    EXPECT_NEAR(d.rangec[7][0], -0.855, 1e-12);
    EXPECT_NEAR(d.rangec[7][1], 0.0, 1e-12);
    EXPECT_NEAR(d.rangec[7][2], 0.855, 1e-12);
    for (int r = 0; r < 8; ++r)
        for (int k = 0; k < 3; ++k) {
            if (r < 3)
                EXPECT_EQ(d.ranges[r][k], 0.1) << r;
            else
                EXPECT_NEAR(d.ranges[r][k], 0.09, 1e-12) << r;
        }

    // Off-centre range: c = 0.2, half-width 0.95 * 1.4 / 2.
    d.contrast.assign(10, -0.5);
    d.contrast.insert(d.contrast.end(), 10, 0.9);
    d.initialise_univ();
    EXPECT_NEAR(d.rangec[7][0], -0.465, 1e-12);
    EXPECT_NEAR(d.rangec[7][1], 0.2, 1e-12);
    EXPECT_NEAR(d.rangec[7][2], 0.865, 1e-12);
    EXPECT_NEAR(d.ranges[5][1], 0.07, 1e-12);
}

TEST(InitialiseUniv, MissingIndividualsCountAsContrastZero)
{
    ::data d;
    d.nind = 15;
    d.contrast.assign(10, 0.8);
    d.contrast.insert(d.contrast.end(), 5, 0.0);  // missing individuals
    d.kmodel_choice = 1;
    d.mu = 0.8;
    d.initialise_univ();
    EXPECT_EQ(d.contrast_lo, 0.0);
    EXPECT_NEAR(d.contrast_hi, 0.8, 1e-15);
    EXPECT_NEAR(d.rangec[7][0], 0.02, 1e-12);
}

TEST(Likelihood, ScoreOfASmallCandidate)
{
    // Two AA, two AB, one BB, one no call and one missing (contrast 0, call 4).
    ::data d;
    load(d, {{-0.9, 1}, {-0.8, 1}, {-0.05, 2}, {0.1, 2}, {0.85, 3}, {0.3, 4}, {0.0, 4}},
         {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double score = d.likelihood_ini_1();

    // Re-estimated centres are written back; a single BB keeps the candidate spread.
    EXPECT_DOUBLE_EQ(d.uni_mean[0], -0.85);
    EXPECT_DOUBLE_EQ(d.uni_mean[1], 0.025);
    EXPECT_EQ(d.uni_mean[2], 0.85);
    EXPECT_EQ(d.uni_sd[0], 0.1);
    EXPECT_EQ(d.uni_sd[2], 0.1);

    const double s_aa = std::sqrt(0.005), s_ab = std::sqrt(0.01125);
    const double expected =
        ref_class({-0.9, -0.8}, -0.85, s_aa, 1 - ref_lower(-1, -0.85, s_aa)) +
        ref_class({-0.05, 0.1}, 0.025, s_ab, ref_lower(1, 0.025, s_ab) - ref_lower(-1, 0.025, s_ab)) +
        ref_class({0.85}, 0.85, 0.1, ref_lower(1, 0.85, 0.1)) +
        ref_log_normal(0.3, 0, 100000) + ref_log_normal(0.0, 0, 100000) +
        ref_spacing(7, -0.85, 0.025, 0.85);
    EXPECT_NEAR(score, expected, 1e-9);

    // Second score: p = (2*2 + 2) / (2*5) = 0.6 with N = 7.
    const double N = 7, p = 0.6, q = 0.4;
    const double X = std::pow(2 - N * p * p, 2) / (N * p * p) +
                     std::pow(2 - 2 * N * p * q, 2) / (2 * N * p * q) +
                     std::pow(1 - N * q * q, 2) / (N * q * q);
    load(d, {{-0.9, 1}, {-0.8, 1}, {-0.05, 2}, {0.1, 2}, {0.85, 3}, {0.3, 4}, {0.0, 4}},
         {-1, 0, 1}, {0.1, 0.1, 0.1});
    EXPECT_NEAR(d.likelihood_ini_2(), expected - 10 * X, 1e-9);
}

TEST(Likelihood, IndividualCostIsFlooredAtTwenty)
{
    // 50 BB at 0.9 and one at 0.0, about 7 spreads away (ln density about -23).
    std::vector<std::pair<double, int>> ind(50, {0.9, 3});
    ind.push_back({0.0, 3});
    ::data d;
    load(d, ind, {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double score = d.likelihood_ini_1();

    const double m = 0.9 * 50 / 51;
    const double s = std::sqrt((50 * (0.9 - m) * (0.9 - m) + m * m) / 50);
    ASSERT_LT(ref_log_normal(0.0, m, s) - std::log(ref_lower(1, m, s)), -21);
    const double expected = ref_class(std::vector<double>(50, 0.9), m, s, ref_lower(1, m, s)) - 20 +
                            ref_spacing(51, -1, 0, m);
    EXPECT_NEAR(score, expected, 1e-9);
}

TEST(Likelihood, DegenerateSpreads)
{
    // Identical members fall back to the candidate's spread.
    ::data d;
    load(d, {{0.5, 3}, {0.5, 3}}, {-1, 0, 1}, {0.1, 0.1, 0.2});
    EXPECT_NEAR(d.likelihood_ini_1(),
                2 * (ref_log_normal(0.5, 0.5, 0.2) - std::log(ref_lower(1, 0.5, 0.2))) +
                    ref_spacing(2, -1, 0, 0.5),
                1e-9);

    // A candidate spread of 0: the density is NaN, and each member costs 20.
    for (int members : {1, 2}) {
        load(d, std::vector<std::pair<double, int>>(members, {0.5, 3}), {-1, 0, 1}, {0.1, 0.1, 0.0});
        EXPECT_NEAR(d.likelihood_ini_1(), -20.0 * members + ref_spacing(members, -1, 0, 0.5), 1e-9);
    }
}

TEST(Likelihood, CentresInTheWrongOrderScoreMinusInfinity)
{
    ::data d;
    load(d, {{0.5, 1}, {0.6, 1}, {-0.5, 2}, {-0.6, 2}, {0.9, 3}, {0.95, 3}}, {-1, 0, 1},
         {0.1, 0.1, 0.1});
    EXPECT_EQ(d.likelihood_ini_1(), -Inf);
    EXPECT_EQ(d.likelihood_ini_2(), -Inf);
}

TEST(Likelihood, NobodyCalled)
{
    ::data d;
    load(d, {{0.1, 4}, {-0.2, 4}, {0.0, 4}}, {-0.9, 0, 0.9}, {0.1, 0.1, 0.1});
    const double expected = ref_log_normal(0.1, 0, 100000) + ref_log_normal(-0.2, 0, 100000) +
                            ref_log_normal(0.0, 0, 100000) + ref_spacing(3, -0.9, 0, 0.9);
    EXPECT_NEAR(d.likelihood_ini_1(), expected, 1e-9);
    EXPECT_EQ(d.likelihood_ini_2(), -2147483648.0);
    EXPECT_EQ(d.uni_mean[0], -0.9);  // empty classes keep the candidate's centres
    EXPECT_EQ(d.uni_mean[2], 0.9);
}

TEST(Likelihood, HardyWeinbergWorkedExample)
{
    // 4 AA, 2 AB, 2 BB, 2 no call: p = 10/16, expected 3.90625, 4.6875, 1.40625 of N = 10.
    ::data d;
    const std::vector<std::pair<double, int>> ind = {
        {-0.9, 1}, {-0.85, 1}, {-0.95, 1}, {-0.92, 1}, {0.0, 2}, {0.05, 2},
        {0.9, 3},  {0.95, 3},  {0.0, 4},   {0.2, 4}};
    load(d, ind, {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double first = d.likelihood_ini_1();
    load(d, ind, {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double second = d.likelihood_ini_2();
    const double X = std::pow(4 - 3.90625, 2) / 3.90625 + std::pow(2 - 4.6875, 2) / 4.6875 +
                     std::pow(2 - 1.40625, 2) / 1.40625;
    EXPECT_NEAR(second - first, -10 * X, 1e-9);
}

TEST(Likelihood, HardyWeinbergWithOneAlleleOnly)
{
    ::data d;
    // Only AA, nobody else: p = 1 and X = 0.
    load(d, std::vector<std::pair<double, int>>(6, {-0.9, 1}), {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double first = d.likelihood_ini_1();
    EXPECT_EQ(d.likelihood_ini_2(), first);

    // p = 1 with 4 no calls: X = (6 - 10)^2 / 10.
    std::vector<std::pair<double, int>> ind(6, {-0.9, 1});
    ind.insert(ind.end(), 4, {0.0, 4});
    load(d, ind, {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double with_null = d.likelihood_ini_1();
    EXPECT_NEAR(d.likelihood_ini_2() - with_null, -16.0, 1e-9);

    // q = 1 with 2 no calls: X = (8 - 10)^2 / 10.
    ind.assign(8, {0.9, 3});
    ind.insert(ind.end(), 2, {0.0, 4});
    load(d, ind, {-1, 0, 1}, {0.1, 0.1, 0.1});
    const double bb_only = d.likelihood_ini_1();
    EXPECT_NEAR(d.likelihood_ini_2() - bb_only, -4.0, 1e-9);
}

TEST(Likelihood, NaNCentreGivesNaNScoreWithoutThrowing)
{
    ::data d;
    load(d, {{0.0, 2}, {0.9, 3}}, {NaN, 0, 1}, {0.1, 0.1, 0.1});
    double first = 0, second = 0;
    EXPECT_NO_THROW(first = d.likelihood_ini_1());
    load(d, {{0.0, 2}, {0.9, 3}}, {NaN, 0, 1}, {0.1, 0.1, 0.1});
    EXPECT_NO_THROW(second = d.likelihood_ini_2());
    EXPECT_TRUE(std::isnan(first));
    EXPECT_TRUE(std::isnan(second));
}
