// Numbers in the result files are written exactly as a standard stream writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

#include "format.h"

namespace {

std::string fmt(double v, int digits)
{
    std::string s;
    append_real(s, v, digits);
    return s;
}

std::string stream(double v, int digits)
{
    std::ostringstream o;
    o.precision(digits);
    o << v;
    return o.str();
}

}  // namespace

TEST(Format, WorkedValues)
{
    EXPECT_EQ(fmt(0.999876, 4), "0.9999");
    EXPECT_EQ(fmt(1.0, 4), "1");
    EXPECT_EQ(fmt(0.0, 4), "0");
    EXPECT_EQ(fmt(0.00001234, 4), "1.234e-05");
    EXPECT_EQ(fmt(0.98765, 4), "0.9877");
    EXPECT_EQ(fmt(123456789.0, 6), "1.23457e+08");
    EXPECT_EQ(fmt(-0.855, 6), "-0.855");
    EXPECT_EQ(fmt(std::numeric_limits<double>::infinity(), 6), "inf");
}

TEST(Format, NanHasNoSign)
{
    double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(fmt(nan, 4), "nan");
    EXPECT_EQ(fmt(-nan, 6), "nan");
    EXPECT_EQ(fmt(std::copysign(nan, -1.0), 4), "nan");
}

TEST(Format, SameAsStreamOverAWideRange)
{
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> mant(-10, 10);
    std::uniform_int_distribution<int> expo(-12, 12);
    for (int k = 0; k < 20000; ++k) {
        double v = mant(rng) * std::pow(10.0, expo(rng));
        for (int digits : {4, 6}) ASSERT_EQ(fmt(v, digits), stream(v, digits)) << v;
    }
    for (double v : {0.99995, 0.00005, 1e-5, 9.9995e-5, 99999.5, 999999.5, 1e16})
        for (int digits : {4, 6}) EXPECT_EQ(fmt(v, digits), stream(v, digits)) << v;
    std::string s;
    append_int(s, -2147483648L);
    append_int(s, 0);
    EXPECT_EQ(s, "-21474836480");
}
