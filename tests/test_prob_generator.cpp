// The uniform generator (ignlgi, ranf, setall and companions) and snorm:
// bit-exact reference streams, the seeds of the 32 virtual generators, the
// values at the ends of the ranges, and the misuse messages.
//
// Tests that need the stream of a fresh process restart it with
// restart_default_stream(), which sets exactly the state that the
// self-initialisation of the first draw sets, so they do not depend on the
// order in which tests run. The self-initialisation itself is checked in a
// child process started afresh (death-test machinery, "threadsafe" style).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "ranlib.h"

#include "prob_reference.h"

namespace {

using probref::numf;
using probref::section;

const long kM1 = 2147483563L, kM2 = 2147483399L;


// (a^e) mod m by squaring, with exact 64-bit products (a, m < 2^31).
long powmod(long a, long e, long m)
{
    long r = 1;
    a %= m;
    while (e > 0) {
        if (e & 1) r = (r * a) % m;
        a = (a * a) % m;
        e >>= 1;
    }
    return r;
}

// One step of each component, independent of the code under test.
void shadow_step(long& s1, long& s2)
{
    s1 = (40014L * s1) % kM1;
    s2 = (40692L * s2) % kM2;
}

// Runs in a child process started afresh; exits 0 when the first draw
// self-initialised the generator as documented, else with the failing step.
void check_fresh_process_and_exit()
{
    long qinit = -1, qstate = -1, g = 0;
    gsrgs(0L, &qinit);
    gssst(0L, &qstate);
    if (qinit != 0 || qstate != 0) std::exit(2);
    if (ignlgi() != 695163044L) std::exit(3);
    gsrgs(0L, &qinit);
    gssst(0L, &qstate);
    if (qinit != 1 || qstate != 1) std::exit(4);
    if (Xig1[0] != 1234567890L || Xig2[0] != 123456789L) std::exit(5);
    gscgn(0L, &g);
    if (g != 1) std::exit(6);
    std::exit(0);
}

TEST(Generator, FreshProcessSelfInitialisesWithDefaultSeeds)
{
    // "threadsafe" re-executes the test binary for the child, so the child
    // has made no draw and set no seed, whatever ran before in this process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(check_fresh_process_and_exit(), ::testing::ExitedWithCode(0), "");
}

TEST(Generator, FirstThreeValuesAndSeedPair)
{
    restart_default_stream();  // needs the fresh default stream
    EXPECT_EQ(ignlgi(), 695163044L);
    EXPECT_EQ(ignlgi(), 696626468L);
    EXPECT_EQ(ignlgi(), 1059541850L);
    EXPECT_EQ(Xcg1[0], 1287986023L);
    EXPECT_EQ(Xcg2[0], 228444173L);
}

TEST(Generator, FirstRanf)
{
    restart_default_stream();  // needs the fresh default stream
    float u = ranf();
    EXPECT_EQ(u, 0.32371053f);
    EXPECT_EQ(u, numf("0.323710531"));
}

TEST(Generator, Constants)
{
    restart_default_stream();
    EXPECT_EQ(Xm1, 2147483563L);
    EXPECT_EQ(Xm2, 2147483399L);
    EXPECT_EQ(Xa1, 40014L);
    EXPECT_EQ(Xa2, 40692L);
    // The block and generator-distance multipliers are the stated powers.
    EXPECT_EQ(Xa1w, 1033780774L);
    EXPECT_EQ(Xa2w, 1494757890L);
    EXPECT_EQ(Xa1vw, 2082007225L);
    EXPECT_EQ(Xa2vw, 784306273L);
    EXPECT_EQ(Xa1w, powmod(40014L, 1L << 30, kM1));
    EXPECT_EQ(Xa2w, powmod(40692L, 1L << 30, kM2));
    EXPECT_EQ(Xa1vw, powmod(40014L, 1L << 50, kM1));
    EXPECT_EQ(Xa2vw, powmod(40692L, 1L << 50, kM2));
    for (int g = 0; g < 32; g++) EXPECT_EQ(Xqanti[g], 0L) << "generator " << g + 1;
}

TEST(Generator, IgnlgiReferenceStream)
{
    restart_default_stream();  // needs the fresh default stream
    const auto& rows = section("a");
    ASSERT_EQ(rows.size(), 2000u);
    for (size_t i = 0; i < rows.size(); i++)
        ASSERT_EQ(ignlgi(), std::stol(rows[i][0])) << "draw " << i + 1;
}

TEST(Generator, InitialSeedsOfAll32Generators)
{
    restart_default_stream();
    const auto& rows = section("a2");
    ASSERT_EQ(rows.size(), 32u);
    for (const auto& r : rows) {
        int g = std::stoi(r[0]);
        ASSERT_GE(g, 1);
        ASSERT_LE(g, 32);
        EXPECT_EQ(Xig1[g - 1], std::stol(r[1])) << "generator " << g;
        EXPECT_EQ(Xig2[g - 1], std::stol(r[2])) << "generator " << g;
        EXPECT_EQ(Xlg1[g - 1], Xig1[g - 1]);
        EXPECT_EQ(Xlg2[g - 1], Xig2[g - 1]);
        EXPECT_EQ(Xcg1[g - 1], Xig1[g - 1]);
        EXPECT_EQ(Xcg2[g - 1], Xig2[g - 1]);
    }
    long g = 0;
    gscgn(0L, &g);
    EXPECT_EQ(g, 1L);  // setall restores the current generator
}

TEST(Generator, RanfReferenceStream)
{
    restart_default_stream();  // needs the fresh default stream
    const auto& rows = section("b");
    ASSERT_EQ(rows.size(), 2000u);
    for (size_t i = 0; i < rows.size(); i++) {
        float u = ranf();
        ASSERT_EQ(u, numf(rows[i][0])) << "draw " << i + 1;
        ASSERT_GT(u, 0.0f);
        ASSERT_LE(u, 1.0f);
    }
}

TEST(Generator, SnormReferenceStreamAndUniformsConsumed)
{
    restart_default_stream();  // needs the fresh default stream
    const auto& rows = section("c");
    ASSERT_EQ(rows.size(), 2000u);
    long s1 = Xcg1[0], s2 = Xcg2[0];
    for (size_t i = 0; i < rows.size(); i++) {
        float z = snorm();
        ASSERT_EQ(z, numf(rows[i][0])) << "draw " << i + 1;
        // Count the uniforms this call took by stepping a shadow generator
        // up to the new state.
        int used = 0;
        while (s1 != Xcg1[0] || s2 != Xcg2[0]) {
            shadow_step(s1, s2);
            ASSERT_LT(++used, 100) << "draw " << i + 1;
        }
        ASSERT_EQ(used, std::stoi(rows[i][1])) << "draw " << i + 1;
    }
}

TEST(Generator, SetallThenIgnlgiMatchesSchrageArithmetic)
{
    // Any seeds: the stream is the combination of the two exact congruences.
    setall(987654321L, 192837465L);
    long s1 = 987654321L, s2 = 192837465L;
    for (int i = 0; i < 10000; i++) {
        shadow_step(s1, s2);
        long z = s1 - s2;
        if (z < 1) z += kM1 - 1;
        ASSERT_EQ(ignlgi(), z) << "draw " << i + 1;
    }
    restart_default_stream();
}

TEST(Generator, InitgnBlocks)
{
    restart_default_stream();
    for (int i = 0; i < 5; i++) ignlgi();
    initgn(0L);  // back to the start of the block: the initial seeds here
    EXPECT_EQ(Xcg1[0], 1234567890L);
    EXPECT_EQ(Xcg2[0], 123456789L);
    initgn(1L);  // next block of 2^30 values
    EXPECT_EQ(Xlg1[0], mltmod(Xa1w, 1234567890L, kM1));
    EXPECT_EQ(Xlg2[0], mltmod(Xa2w, 123456789L, kM2));
    EXPECT_EQ(Xcg1[0], Xlg1[0]);
    EXPECT_EQ(Xcg2[0], Xlg2[0]);
    initgn(-1L);  // back to the initial seeds
    EXPECT_EQ(Xcg1[0], 1234567890L);
    EXPECT_EQ(Xcg2[0], 123456789L);
    restart_default_stream();
}

TEST(Generator, MltmodIsExact)
{
    const long m = kM1;
    const long as[] = {1, 2, 32767, 32768, 32769, 40014, 1033780774L, 2082007225L, m - 1};
    const long ss[] = {1, 3, 65535, 123456789L, 1234567890L, m - 2, m - 1};
    for (long a : as)
        for (long s : ss) {
            unsigned __int128 p = static_cast<unsigned __int128>(a) * static_cast<unsigned __int128>(s);
            EXPECT_EQ(mltmod(a, s, m), static_cast<long>(p % static_cast<unsigned __int128>(m)))
                << a << " * " << s;
        }
}

// Seeds whose next draw gives z = Xm1 - 2, the largest value of ignlgi.
void seeds_for_largest_draw()
{
    // Next s1 = Xm1 - 1 and next s2 = 1: z = Xm1 - 2.
    long s1 = kM1 - powmod(40014L, kM1 - 2, kM1);
    long s2 = powmod(40692L, kM2 - 2, kM2);
    // setsd alone does not mark the seeds as set: without a setall first, the
    // next draw would self-initialise and replace them.
    restart_default_stream();
    setsd(s1, s2);
}

TEST(Generator, RanfReachesExactlyOne)
{
    seeds_for_largest_draw();
    float u = ranf();
    EXPECT_EQ(u, 1.0f);
    seeds_for_largest_draw();
    EXPECT_EQ(ignlgi(), kM1 - 2);
    restart_default_stream();
}

TEST(Generator, RanfSmallestValueIsPositive)
{
    // z = 1 is the smallest draw; ranf(z = 1) = 4.656613057e-10 > 0.
    long s2 = powmod(40692L, kM2 - 2, kM2);          // next s2 = 1
    long s1 = (2 * powmod(40014L, kM1 - 2, kM1)) % kM1;  // next s1 = 2
    restart_default_stream();
    setsd(s1, s2);
    EXPECT_EQ(ranf(), static_cast<float>(4.656613057E-10));
    restart_default_stream();
}

TEST(Generator, SnormMapsUniformOneToInterval31)
{
    seeds_for_largest_draw();
    float z = snorm();
    // u = 1: sign negative, 32 u = 32 -> interval 31, u* = 1 > t[31], so
    // w = (1 - t[31]) h[31] and the result is -(a[31] + w).
    float w = (1.0f - 0.5847031f) * 0.7010474f;
    float expected = -(1.862732f + w);
    EXPECT_EQ(z, expected);
    restart_default_stream();
}

TEST(Generator, SnormMoments)
{
    restart_default_stream();
    const int n = 200000;
    double s = 0, ss = 0;
    int tail = 0;
    for (int i = 0; i < n; i++) {
        double z = snorm();
        s += z;
        ss += z * z;
        if (z > 2.153875 || z < -2.153875) tail++;
    }
    double mean = s / n, var = ss / n - mean * mean;
    // Standard errors: mean 1/sqrt(n) = 0.0022, variance sqrt(2/n) = 0.0032.
    EXPECT_NEAR(mean, 0.0, 5 * 0.0022);
    EXPECT_NEAR(var, 1.0, 5 * 0.0032);
    // P(|Z| > a[32]) = 1/32 by construction of the tables.
    EXPECT_NEAR(static_cast<double>(tail) / n, 1.0 / 32, 5 * std::sqrt((1.0 / 32) * (31.0 / 32) / n));
    restart_default_stream();
}

// ---- misuse: message on stderr, exit status ----

TEST(GeneratorDeathTest, MltmodOutOfOrder)
{
    const std::string msg =
        " a, m, s out of order in mltmod - ABORT!"
        " a =            0 s =            5 m =   2147483563\n"
        " mltmod requires: 0 < a < m; 0 < s < m";
    EXPECT_EXIT(mltmod(0L, 5L, kM1), ::testing::ExitedWithCode(1), ::testing::Eq(msg));
    EXPECT_EXIT(mltmod(kM1, 5L, kM1), ::testing::ExitedWithCode(1),
                ::testing::HasSubstr(" a =   2147483563 s =            5 m =   2147483563\n"));
    EXPECT_EXIT(mltmod(5L, 0L, kM1), ::testing::ExitedWithCode(1),
                ::testing::StartsWith(" a, m, s out of order in mltmod - ABORT!"));
    EXPECT_EXIT(mltmod(5L, kM1, kM1), ::testing::ExitedWithCode(1),
                ::testing::EndsWith(" mltmod requires: 0 < a < m; 0 < s < m"));
    EXPECT_EXIT(mltmod(-3L, 5L, kM1), ::testing::ExitedWithCode(1),
                ::testing::HasSubstr(" a =           -3 s =            5"));
}

TEST(GeneratorDeathTest, GscgnOutOfRange)
{
    const std::string msg = " Generator number out of range in GSCGN";
    long g = 33;
    EXPECT_EXIT(gscgn(1L, &g), ::testing::ExitedWithCode(0), ::testing::Eq(msg));
    long neg = -1;
    EXPECT_EXIT(gscgn(1L, &neg), ::testing::ExitedWithCode(0), ::testing::Eq(msg));
    // 32 is accepted; setting it back to 1 keeps the stream as it was.
    long top = 32, one = 1;
    gscgn(1L, &top);
    long got = 0;
    gscgn(0L, &got);
    EXPECT_EQ(got, 32L);
    gscgn(1L, &one);
}

void initgn_before_constants()
{
    long off = 0;
    gsrgs(1L, &off);  // the constants-ready flag as before the first draw
    initgn(-1L);
}

TEST(GeneratorDeathTest, InitgnBeforeConstants)
{
    const std::string msg = " INITGN called before random number generator  initialized -- abort!\n";
    EXPECT_EXIT(initgn_before_constants(), ::testing::ExitedWithCode(1), ::testing::Eq(msg));
}

TEST(GeneratorDeathTest, InitgnBadType)
{
    restart_default_stream();
    const std::string msg = "isdtyp not in range in INITGN\n";
    EXPECT_EXIT(initgn(2L), ::testing::ExitedWithCode(1), ::testing::Eq(msg));
    EXPECT_EXIT(initgn(-2L), ::testing::ExitedWithCode(1), ::testing::Eq(msg));
}

}  // namespace
