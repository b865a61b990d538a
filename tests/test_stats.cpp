// Intensity transform, NaN-skipping statistics and the empirical quantile.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data.h"
#include "quantile.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
const std::string nan_message = "all elements of the vector are nan\n";

ColumnVector pair_of(double a, double b)
{
    ColumnVector v(2);
    v(1) = a;
    v(2) = b;
    return v;
}

void load_row(::data& d, const std::vector<std::pair<double, double>>& pairs)
{
    d.dat.vec.clear();
    for (const auto& p : pairs)
        d.dat.vec.push_back(pair_of(p.first, p.second));
}

void size_for(::data& d, int n)
{
    d.nind = n;
    d.strength.assign(n, 0.0);
    d.contrast.assign(n, 0.0);
    d.abs_contrast.assign(n, 0.0);
}

}  // namespace

TEST(Transform, UsablePairsAndEdgesOfTheContrastRange)
{
    ::data d;
    size_for(d, 4);
    load_row(d, {{512, 398}, {0, 5}, {5, 0}, {7, 7}});
    d.transform_intens();

    EXPECT_EQ(d.contrast[0], (398.0 - 512.0) / 910.0);
    EXPECT_EQ(d.strength[0], std::log(910.0));
    EXPECT_EQ(d.abs_contrast[0], (512.0 - 398.0) / 910.0);
    EXPECT_EQ(d.contrast[1], 1.0);
    EXPECT_EQ(d.strength[1], std::log(5.0));
    EXPECT_EQ(d.contrast[2], -1.0);
    EXPECT_EQ(d.abs_contrast[2], 1.0);
    EXPECT_EQ(d.contrast[3], 0.0);
    EXPECT_TRUE(d.missing.empty());
}

TEST(Transform, UnusablePairsAreMissingWithZeroCoordinates)
{
    ::data d;
    size_for(d, 9);
    load_row(d, {{0, 0},
                 {MISSING_INTENSITY, 300},
                 {300, MISSING_INTENSITY},
                 {NaN, 300},
                 {300, NaN},
                 {Inf, 300},
                 {300, Inf},
                 {1e308, 1e308},  // each finite, the total overflows
                 {-0.5, 2}});
    // Stale values from an earlier SNP must be overwritten.
    d.contrast.assign(9, 0.5);
    d.strength.assign(9, 0.5);
    d.transform_intens();

    ASSERT_EQ(d.missing, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(d.contrast[i], 0.0) << i;
        EXPECT_EQ(d.strength[i], 0.0) << i;
        EXPECT_TRUE(std::isnan(d.abs_contrast[i])) << i;
    }
}

TEST(Transform, ShortRowLeavesTheLastIndividualsMissing)
{
    ::data d;
    size_for(d, 4);
    load_row(d, {{10, 30}, {30, 10}});
    d.dat.vec.push_back(ColumnVector(1));  // an A intensity with no B
    d.dat.vec.back()(1) = 40;
    d.transform_intens();
    EXPECT_EQ(d.missing, (std::vector<int>{2, 3}));
    EXPECT_EQ(d.contrast[0], 0.5);
    EXPECT_EQ(d.contrast[1], -0.5);
}

TEST(Transform, MissingListDescribesOnlyTheCurrentSnp)
{
    ::data d;
    size_for(d, 8);
    std::vector<std::pair<double, double>> row(8, {100, 200});
    row[2] = {MISSING_INTENSITY, MISSING_INTENSITY};
    row[7] = {0, 0};
    load_row(d, row);
    d.transform_intens();
    EXPECT_EQ(d.missing, (std::vector<int>{2, 7}));

    load_row(d, std::vector<std::pair<double, double>>(8, {100, 200}));
    d.transform_intens();
    EXPECT_TRUE(d.missing.empty());
    EXPECT_FALSE(std::isnan(d.abs_contrast[2]));
}

TEST(Statistics, SkipNaNAndDivideByTheKeptCount)
{
    const std::vector<double> v = {1, NaN, 3};
    EXPECT_EQ(::data::meanvec(v, 3), 2.0);
    EXPECT_EQ(::data::varvec(v, 2.0, 3), 2.0);  // (1 + 1) / (3 - 1 - 1)
    // n limits the positions: only the first entry counts.
    EXPECT_EQ(::data::meanvec(v, 1), 1.0);

    const std::vector<double> x = {1, 2, NaN, 4}, y = {2, NaN, 6, 8};
    // Positions 0 and 3 only: (-1.5)(-3) + (1.5)(3) = 9, divided by 4 - 2 - 1.
    EXPECT_EQ(::data::covvec(x, y, 2.5, 5.0, 4), 9.0);
}

TEST(Statistics, OneKeptEntryGivesNaNSpreadWithoutMessage)
{
    testing::internal::CaptureStdout();
    const double v = ::data::varvec({NaN, 0.4, NaN}, 0.4, 3);
    const double c = ::data::covvec({0.4, 1}, {0.2, NaN}, 0.4, 0.2, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(std::isnan(c));
}

TEST(Statistics, AllNaNPrintsOnceAndReturnsNaN)
{
    const std::vector<double> v = {NaN, NaN};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(std::isnan(::data::meanvec(v, 2)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), nan_message);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(std::isnan(::data::varvec(v, 0, 2)));
    EXPECT_TRUE(std::isnan(::data::covvec(v, {1, 2}, 0, 0, 2)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), nan_message + nan_message);

    double lo = 7, hi = 8;
    testing::internal::CaptureStdout();
    ::data::minmaxvec(v, 2, lo, hi);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), nan_message);
    EXPECT_EQ(lo, 7);
    EXPECT_EQ(hi, 8);
}

TEST(Statistics, ZeroPositionsCountAsAllLeftOut)
{
    const std::vector<double> v = {1, 2};
    double lo = 7, hi = 8;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(std::isnan(::data::meanvec(v, 0)));
    EXPECT_TRUE(std::isnan(::data::varvec(v, 0, 0)));
    EXPECT_TRUE(std::isnan(::data::covvec(v, v, 0, 0, 0)));
    ::data::minmaxvec(v, 0, lo, hi);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              nan_message + nan_message + nan_message + nan_message);
    EXPECT_EQ(lo, 7);
}

TEST(Statistics, MinMaxSkipsLeadingNaN)
{
    double lo = 0, hi = 0;
    ::data::minmaxvec({NaN, 0.5, 0.2, NaN, 0.9, 0.2}, 6, lo, hi);
    EXPECT_EQ(lo, 0.2);
    EXPECT_EQ(hi, 0.9);
    // A decreasing run: every later value replaces min, max stays the first.
    ::data::minmaxvec({0.3, 0.2, 0.1}, 3, lo, hi);
    EXPECT_EQ(lo, 0.1);
    EXPECT_EQ(hi, 0.3);
}

TEST(Quantile, InterpolatesBetweenOrderStatistics)
{
    const double values[] = {4, 1, 3, 2};
    EXPECT_EQ(quantile(values, 4, 0.5), 2.5);  // h = 1.5: halfway between 2 and 3
    EXPECT_DOUBLE_EQ(quantile(values, 4, 0.001), 1.003);
    EXPECT_EQ(quantile(values, 4, 0.0), 1.0);
    EXPECT_EQ(quantile(values, 4, -3.0), 1.0);
    EXPECT_EQ(quantile(values, 4, 1.0), 4.0);
    EXPECT_EQ(values[0], 4);
    EXPECT_EQ(values[1], 1);
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(values[3], 2);

    // Ties: ranks 1 and 2 of [1, 1, 5, 5].
    EXPECT_EQ(quantile(std::vector<double>{5, 1, 5, 1}, 0.5), 3.0);
}

TEST(Quantile, EmptyAndSingleInputs)
{
    EXPECT_EQ(quantile(std::vector<double>{}, 0.5), 0.0);
    EXPECT_EQ(quantile(std::vector<double>{-0.25}, 0.001), -0.25);
    EXPECT_EQ(quantile(std::vector<double>{-0.25}, 1.0), -0.25);
}
