// Exact vector exp and log: every proven path against the maths library, bit
// for bit, over the ranges the model produces and every special case; the
// library's tables against their definition; the choice of path at start-up.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#ifdef TAMSEL_HAVE_QUADMATH
#include <quadmath.h>
#endif

#include "simd.h"
#include "simd_check.h"
#include "simd_kernels.h"

namespace {

std::uint64_t bits(double v)
{
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return u;
}

double from_bits(std::uint64_t u)
{
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

struct xorshift {
    std::uint64_t s;
    std::uint64_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double uniform(double a, double b) { return a + (b - a) * (static_cast<double>(next() >> 11) * 0x1p-53); }
};

// The vector paths this machine proved; the path is left as simd_init(true) chooses.
std::vector<std::string> vector_paths()
{
    std::vector<std::string> p;
    for (const char* name : {"avx2", "avx512"})
        if (tamsel_simd::select(name)) p.push_back(name);
    simd_init(true);
    return p;
}

// Arguments per range: 10^7 (10^6 in a sanitizer build, to keep its suite quick:
// the plain build and tools/simd_check_long.sh run the full counts), or
// TAMSEL_SIMD_COUNT for the long check.
long count()
{
    const char* c = std::getenv("TAMSEL_SIMD_COUNT");
#ifdef __SANITIZE_ADDRESS__
    return c ? std::atol(c) : 1000000L;
#else
    return c ? std::atol(c) : 10000000L;
#endif
}

// Every proven path against the library over n draws; the number of mismatches.
long mismatches(bool is_exp, const std::function<double(xorshift&)>& draw, long n)
{
    const std::vector<std::string> paths = vector_paths();
    xorshift g{0x2545f4914f6cdd1dULL};
    const std::size_t chunk = 1 << 16;
    std::vector<double> x(chunk), want(chunk), got(chunk);
    long bad = 0;
    for (long done = 0; done < n; done += chunk) {
        const std::size_t m = static_cast<std::size_t>(std::min<long>(chunk, n - done));
        for (std::size_t i = 0; i < m; ++i) {
            x[i] = draw(g);
            want[i] = is_exp ? std::exp(x[i]) : std::log(x[i]);
        }
        for (const std::string& p : paths) {
            tamsel_simd::select(p.c_str());
            is_exp ? vexp(x.data(), got.data(), m) : vlog(x.data(), got.data(), m);
            for (std::size_t i = 0; i < m; ++i)
                if (bits(got[i]) != bits(want[i]) && bad++ < 3)
                    ADD_FAILURE() << p << (is_exp ? " exp(" : " log(") << std::hexfloat << x[i] << ") = " << got[i]
                                  << ", library " << want[i];
        }
    }
    simd_init(true);
    std::printf("%ld arguments x %zu vector paths compared\n", n, paths.size());
    return bad;
}

TEST(SimdLibrary, ExpOfLogDensities) { EXPECT_EQ(mismatches(true, [](xorshift& g) { return g.uniform(-60, 10); }, count()), 0); }

TEST(SimdLibrary, ExpOfNullDensitiesDownToUnderflow)
{
    EXPECT_EQ(mismatches(true, [](xorshift& g) { return g.uniform(-800, 5); }, count()), 0);
}

TEST(SimdLibrary, ExpOfFirstCallExponents)
{
    auto draw = [](xorshift& g) {
        const double d = g.uniform(0, 60);
        return -(d * d) / 2;
    };
    EXPECT_EQ(mismatches(true, draw, count()), 0);
}

TEST(SimdLibrary, LogOfOnePlusScaledQuadraticForms)
{
    EXPECT_EQ(mismatches(false, [](xorshift& g) { return 1 + std::exp(g.uniform(-40, 20)); }, count()), 0);
}

TEST(SimdLibrary, LogNearOne)
{
    EXPECT_EQ(mismatches(false, [](xorshift& g) { return g.uniform(1 - 0x1p-4, 1 + 0x1.09p-4); }, count()), 0);
}

TEST(SimdLibrary, LogOfDensitiesDownToSubnormal)
{
    EXPECT_EQ(mismatches(false, [](xorshift& g) { return std::exp(g.uniform(-745, 10)); }, count()), 0);
}

TEST(SimdLibrary, EveryBitPattern)
{
    auto draw = [](xorshift& g) { return from_bits(g.next()); };
    EXPECT_EQ(mismatches(true, draw, count() / 4), 0);
    EXPECT_EQ(mismatches(false, draw, count() / 4), 0);
}

// Special values in every lane position, blocks of every length, in place.
TEST(SimdLibrary, SpecialValuesInEveryLaneAndBlockLength)
{
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> special = {0.0, -0.0, 1.0, -1.0, inf, -inf, nan, DBL_MAX, DBL_MIN, DBL_TRUE_MIN,
                                         -DBL_TRUE_MIN, 1e-310, 709.8, 710.0, -745.2, -708.5, 512.0, -512.0,
                                         0x1p-54, 0x1p-60, 1 - 0x1p-4, 1 + 0x1.09p-4, 0.9375 - 1e-17};
    const std::vector<std::string> paths = vector_paths();
    for (const std::string& p : paths) {
        tamsel_simd::select(p.c_str());
        for (double s : special)
            for (std::size_t len = 1; len <= 17; ++len)
                for (std::size_t at = 0; at < len; ++at) {
                    std::vector<double> x(len, 0.75);
                    x[at] = s;
                    for (bool is_exp : {true, false}) {
                        std::vector<double> y = x;
                        is_exp ? vexp(y.data(), y.data(), len) : vlog(y.data(), y.data(), len);
                        for (std::size_t i = 0; i < len; ++i) {
                            const double want = is_exp ? std::exp(x[i]) : std::log(x[i]);
                            ASSERT_EQ(bits(y[i]), bits(want)) << p << (is_exp ? " exp " : " log ") << x[i];
                        }
                    }
                }
    }
    simd_init(true);
}

TEST(SimdStartup, LibraryPathWhenNotAllowedAndAProvenPathOtherwise)
{
    simd_init(false);
    EXPECT_STREQ(simd_path(), "scalar");
    simd_init(true);
    const std::string chosen = simd_path();
    const std::vector<std::string> proven = vector_paths();
    if (proven.empty())
        EXPECT_EQ(chosen, "scalar");
    else
        EXPECT_EQ(chosen, proven.front());
    EXPECT_FALSE(tamsel_simd::select("sse9"));
    // Under the library's variants without FMA the comparison rejects the replicas.
    if (std::getenv("TAMSEL_EXPECT_NO_FMA_LIBM")) {
        EXPECT_TRUE(proven.empty());
        EXPECT_EQ(chosen, "scalar");
    }
}

TEST(SimdStartup, ComparisonCoversEveryTableEntryAndBothLogPaths)
{
    const std::vector<double> e = tamsel_simd::check_arguments_exp(), l = tamsel_simd::check_arguments_log();
    EXPECT_GE(e.size() + l.size(), 100000u);
    std::vector<int> exp_entry(128), log_entry(128);
    int near1 = 0;
    for (double x : e)
        if (std::fabs(x) < 512 && std::fabs(x) > 0x1p-54) ++exp_entry[static_cast<std::uint64_t>(std::llround(x * 128 / M_LN2)) & 127];
    for (double x : l) {
        const std::uint64_t ix = bits(x);
        if (ix - 0x3fee000000000000ULL < 0x3ff1090000000000ULL - 0x3fee000000000000ULL) ++near1;
        else if (x > DBL_MIN && x < DBL_MAX) ++log_entry[((ix - 0x3fe6000000000000ULL) >> 45) & 127];
    }
    for (int j = 0; j < 128; ++j) {
        EXPECT_GE(exp_entry[j], 100) << "exp table entry " << j;
        EXPECT_GE(log_entry[j], 100) << "log table entry " << j;
    }
    EXPECT_GE(near1, 10000);
}

#ifdef TAMSEL_HAVE_QUADMATH
// The exp table is 2^(j/128) = H (1 + T): the bits of H less j << 45, and T
// (the library rounds a few T, themselves about 2^-53, the other way: within one
// unit of their last place, which is why the tables are read, not computed);
// log(c) is log(1/invc) rounded; the constants are 128/ln2 and ln2 split in two.
TEST(SimdStartup, LibraryTablesEqualTheirDefinition)
{
    const tamsel_simd::tables* t = tamsel_simd::library_tables();
    if (!t) GTEST_SKIP() << "the maths library's tables were not found (another libm)";
    for (int j = 0; j < 128; ++j) {
        const __float128 q = exp2q(static_cast<__float128>(j) / 128);
        const double H = static_cast<double>(q);
        const double T = static_cast<double>((q - H) / H);
        const long ulps = static_cast<long>(t->etab[2 * j] - bits(T));
        EXPECT_LE(std::labs(ulps), 1) << j;
        EXPECT_EQ(t->etab[2 * j + 1], bits(H) - (static_cast<std::uint64_t>(j) << 45)) << j;
        const double invc = t->ltab[2 * j];
        EXPECT_EQ(bits(t->ltab[2 * j + 1]), bits(static_cast<double>(-logq(static_cast<__float128>(invc))))) << j;
    }
    EXPECT_EQ(t->invln2N, static_cast<double>(128 / logq(2)));
    EXPECT_EQ(t->ln2lo, static_cast<double>(logq(2) - t->ln2hi));
    EXPECT_EQ(t->negln2loN, static_cast<double>(-logq(2) / 128 - t->negln2hiN));
}
#endif

}  // namespace
