// simd_check.cpp -- the start-up comparison of a vector path with the library.
#include "simd_check.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tamsel_simd {
namespace {

// A fixed stream of 64-bit numbers: the same arguments in every run.
struct stream {
    std::uint64_t s = 0x9e3779b97f4a7c15ULL;
    std::uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
    double between(double a, double b) { return a + (b - a) * unit(); }
};

double from_bits(std::uint64_t u)
{
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

void specials(std::vector<double>& v)
{
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    for (double s : {0.0, -0.0, 1.0, -1.0, inf, -inf, nan, -nan, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN,
                     DBL_TRUE_MIN, 1e-310, -1e-310, 512.0, -512.0, 1024.0, -1024.0, 709.78, 709.79, -708.39,
                     -708.4, -745.13, -745.14, 0x1p-54, -0x1p-54, 0x1p-55, 0x1p-53})
        v.push_back(s);
}

}  // namespace

std::vector<double> check_arguments_exp()
{
    std::vector<double> v;
    stream g;
    const double ln2_128 = 0.6931471805599453 / 128;
    // Every table entry j at magnitudes m (x = (128 m + j) ln2/128 + offset).
    for (int j = 0; j < 128; ++j)
        for (int m = -1070; m <= 730; m += 75)
            for (int o = 0; o < 6; ++o) v.push_back((128.0 * m + j + g.between(-0.5, 0.5)) * ln2_128);
    // Either side of the rounding boundaries of x * 128/ln2.
    for (int k = 0; k < 2000; ++k) {
        double b = (std::floor(g.between(-97000, 73000)) + 0.5) * ln2_128;
        for (int u = -3; u <= 3; ++u) v.push_back(b + u * std::fabs(b) * DBL_EPSILON);
    }
    // What the model takes exp of: log densities, mostly in [-50, 5].
    for (int k = 0; k < 15000; ++k) v.push_back(g.between(-50, 5));
    for (int k = 0; k < 5000; ++k) v.push_back(g.between(-760, 720));
    for (int k = 0; k < 2000; ++k) v.push_back(std::ldexp(g.between(-1, 1), -static_cast<int>(g.next() % 70)));
    specials(v);
    return v;
}

std::vector<double> check_arguments_log()
{
    std::vector<double> v;
    stream g;
    // Every subinterval i of the mantissa, at exponents across the whole range.
    for (std::uint64_t i = 0; i < 128; ++i)
        for (int e = -1020; e <= 1020; e += 60)
            for (int o = 0; o < 8; ++o) {
                const std::uint64_t ix = 0x3fe6000000000000ULL + (i << 45) + (g.next() >> 19);
                v.push_back(std::ldexp(from_bits(ix), e));
            }
    // The path near 1, its ends and 1 itself.
    for (int k = 0; k < 12000; ++k) v.push_back(g.between(1 - 0x1p-4, 1 + 0x1.09p-4));
    for (double b : {1 - 0x1p-4, 1 + 0x1.09p-4, 1.0})
        for (int u = -4; u <= 4; ++u) v.push_back(b + u * DBL_EPSILON / 2);
    // What the model takes log of: 1 + q/nu and densities.
    for (int k = 0; k < 8000; ++k) v.push_back(1 + std::exp(g.between(-30, 15)));
    for (int k = 0; k < 8000; ++k) v.push_back(std::exp(g.between(-700, 10)));
    for (int k = 0; k < 500; ++k) v.push_back(from_bits(g.next() >> 12));  // subnormal
    specials(v);
    return v;
}

bool matches_library(const std::vector<double>& exp_args, const std::vector<double>& log_args, const kernel_fn& kernel)
{
    double (*volatile lib_exp)(double) = &::exp;
    double (*volatile lib_log)(double) = &::log;
    for (bool is_exp : {true, false}) {
        const std::vector<double>& x = is_exp ? exp_args : log_args;
        std::vector<double> y(x.size());
        kernel(x.data(), y.data(), x.size(), is_exp);
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double want = is_exp ? lib_exp(x[i]) : lib_log(x[i]);
            if (std::memcmp(&want, &y[i], 8) != 0) return false;
        }
    }
    return true;
}

}  // namespace tamsel_simd
