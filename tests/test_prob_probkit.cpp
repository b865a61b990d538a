// The distribution helpers of probkit.h: the constants and clamps of dnorm,
// pnorm and pt, the variates drawn from the shared uniform stream (checked
// draw by draw against the reference stream), and the moments of the gamma,
// Dirichlet and exponential generators over many draws with fixed seeds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "dcdflib.h"
#include "probkit.h"
#include "ranlib.h"

#include "prob_reference.h"

namespace {

using probref::num;
using probref::numf;
using probref::section;


std::vector<float> reference_uniforms()
{
    std::vector<float> u;
    for (const auto& r : section("b")) u.push_back(numf(r[0]));
    return u;
}

// ---- dnorm ----

TEST(Dnorm, ConstantIsSqrtTwoPiWithPiTakenAs3141592654)
{
    double m = 0, s = 1;
    EXPECT_EQ(dnorm(0, &m, &s), 0.39894228037538715);
    EXPECT_EQ(dnorm(0, &m, &s), 1 / 2.5066282747946493);
    EXPECT_EQ(std::sqrt(2 * 3.141592654), 2.5066282747946493);
    // Not quite 1/sqrt(2 pi): the tenth decimal differs.
    EXPECT_NEAR(dnorm(0, &m, &s), 0.3989422804014327, 1e-10);
    EXPECT_NE(dnorm(0, &m, &s), 0.3989422804014327);
}

TEST(Dnorm, EvaluationOrder)
{
    const double pts[][3] = {{1.3, 0.2, 0.7}, {-4, 1, 2.5}, {0.01, -0.02, 0.003}, {10, 0, 1}};
    for (const auto& p : pts) {
        double x = p[0], m = p[1], s = p[2];
        double d = x - m;
        double want = std::exp(((d * (-0.5)) * d) / (s * s)) / (2.5066282747946493 * s);
        EXPECT_EQ(dnorm(x, &m, &s), want) << x << " " << m << " " << s;
    }
    // No check of s: sd 0 gives the IEEE results of a division by zero.
    double m = 0, s = 0;
    EXPECT_TRUE(std::isnan(dnorm(0, &m, &s)));  // exp(0/0) / 0
    EXPECT_TRUE(std::isnan(dnorm(1, &m, &s)));  // exp(-inf) / 0 = 0/0
}

// ---- pnorm ----

TEST(Pnorm, ClampAboveFive)
{
    double m = 0, s = 1;
    EXPECT_EQ(pnorm(5.000001, &m, &s, 0), 0.9999997);
    EXPECT_EQ(pnorm(5.000001, &m, &s, 1), 2.9999999995311555e-07);
    EXPECT_EQ(pnorm(5.000001, &m, &s, 1), 1 - 0.9999997);
    EXPECT_EQ(pnorm(1e300, &m, &s, 7), 2.9999999995311555e-07);  // any upper != 0
}

TEST(Pnorm, ClampBelowMinusFive)
{
    double m = 0, s = 1;
    EXPECT_EQ(pnorm(-6, &m, &s, 0), 2.86e-07);
    EXPECT_EQ(pnorm(-6, &m, &s, 1), 0.999999714);
    EXPECT_EQ(pnorm(-5.000001, &m, &s, 0), 2.86e-07);
    EXPECT_EQ(pnorm(-5.000001, &m, &s, 1), 0.999999714);
}

TEST(Pnorm, AtFiveExactlyUsesCumnor)
{
    double m = 0, s = 1;
    double z = 5, lo, up;
    cumnor(&z, &lo, &up);
    EXPECT_EQ(pnorm(5, &m, &s, 0), lo);
    EXPECT_EQ(pnorm(5, &m, &s, 1), up);
    EXPECT_NEAR(pnorm(5, &m, &s, 0), 0.99999971334842808, 4e-16);
    EXPECT_EQ(pnorm(-5, &m, &s, 0), up);
    EXPECT_EQ(pnorm(-5, &m, &s, 1), lo);
    // z = (x - mean)/sd: x = 13, mean 3, sd 2 is z = 5 exactly.
    m = 3;
    s = 2;
    EXPECT_EQ(pnorm(13, &m, &s, 0), lo);
}

TEST(Pnorm, StandardisesThenCallsCumnor)
{
    const double pts[][3] = {{1.3, 0.2, 0.7}, {-4, 1, 2.5}, {0.66291, 0, 1}, {2, 0, 1}};
    for (const auto& p : pts) {
        double x = p[0], m = p[1], s = p[2];
        double z = (x - m) / s, lo, up;
        cumnor(&z, &lo, &up);
        EXPECT_EQ(pnorm(x, &m, &s, 0), lo);
        EXPECT_EQ(pnorm(x, &m, &s, 1), up);
    }
    double m = 0, s = 1;
    EXPECT_TRUE(std::isnan(pnorm(NAN, &m, &s, 0)));
}

// ---- pt ----

TEST(Pt, ClampsBelowTenDegreesOfFreedom)
{
    EXPECT_EQ(pt(-3001, 5, 0), 0.0);
    EXPECT_EQ(pt(-3001, 5, 1), 1.0);
    EXPECT_EQ(pt(3001, 5, 0), 1.0);
    EXPECT_EQ(pt(3001, 5, 1), 0.0);
    EXPECT_EQ(pt(-3001, 9.999, 0), 0.0);
    // -200 with df 5 is evaluated, not clamped.
    double t = -200, df = 5, lo, up;
    cumt(&t, &df, &lo, &up);
    EXPECT_EQ(pt(-200, 5, 0), lo);
    EXPECT_EQ(pt(-200, 5, 1), up);
    EXPECT_GT(pt(-200, 5, 0), 0.0);
    t = -3000;
    cumt(&t, &df, &lo, &up);
    EXPECT_EQ(pt(-3000, 5, 0), lo);
}

TEST(Pt, ClampsFromTenDegreesOfFreedom)
{
    EXPECT_EQ(pt(-200, 20, 0), 0.0);
    EXPECT_EQ(pt(-200, 20, 1), 1.0);
    EXPECT_EQ(pt(200, 20, 0), 1.0);
    EXPECT_EQ(pt(200, 20, 1), 0.0);
    EXPECT_EQ(pt(-151, 10, 0), 0.0);
    EXPECT_EQ(pt(151, 10, 1), 0.0);
    double t = 150, df = 10, lo, up;
    cumt(&t, &df, &lo, &up);
    EXPECT_EQ(pt(150, 10, 1), up);
    EXPECT_GT(pt(150, 10, 1), 0.0);
}

TEST(Pt, NotANumberDfAndReferenceValues)
{
    // df NaN fails every clamp test and goes to cumt.
    double t = -5000, df = NAN, lo, up;
    cumt(&t, &df, &lo, &up);
    double got = pt(-5000, NAN, 0);
    EXPECT_TRUE((std::isnan(got) && std::isnan(lo)) || got == lo);
    // Against the reference values of cumt, at t itself (no rescaling).
    for (const auto& r : section("e")) {
        double d = num(r[0]), x = num(r[1]);
        if (std::fabs(x) > 150 && d >= 10) continue;  // clamped
        EXPECT_EQ(pt(x, d, 0), num(r[2])) << "df " << r[0] << " t " << r[1];
        EXPECT_EQ(pt(x, d, 1), num(r[3])) << "df " << r[0] << " t " << r[1];
    }
}

TEST(Pt, ZeroGivesHalf)
{
    for (double df : {0.5, 1.0, 3.5, 9.0, 10.0, 20.0, 1e6}) {
        EXPECT_EQ(pt(0, df, 0), 0.5) << df;
        EXPECT_EQ(pt(0, df, 1), 0.5) << df;
    }
}

// ---- variates, draw by draw against the reference stream ----

TEST(Variates, RunifIsRanfWidened)
{
    restart_default_stream();  // needs the fresh default stream
    for (float u : reference_uniforms()) ASSERT_EQ(runif(), static_cast<double>(u));
}

TEST(Variates, RnormIsSnormTimesSdPlusMean)
{
    restart_default_stream();  // needs the fresh default stream
    double m = 2.5, s = 0.3;
    for (const auto& r : section("c")) {
        double z = numf(r[0]);
        ASSERT_EQ(rnorm(&m, &s), z * s + m);
    }
}

TEST(Variates, RmultinomExample)
{
    // prob = (0.2, 0.3, 0.5) and a draw of 0.4: 0.4 - 0.2 > 0, 0.2 - 0.3 <= 0, so 2.
    restart_default_stream();  // needs the fresh default stream
    std::vector<float> u = reference_uniforms();
    size_t k = 0;
    while (k < u.size() && !(u[k] > 0.35f && u[k] < 0.45f)) k++;
    ASSERT_LT(k, u.size());
    for (size_t i = 0; i < k; i++) ranf();
    double prob[] = {0.2, 0.3, 0.5};
    int out = -1;
    rmultinom(&out, prob);
    EXPECT_EQ(out, 2) << "draw " << u[k];
}

TEST(Variates, RmultinomFirstCategoryReachingTheDraw)
{
    restart_default_stream();  // needs the fresh default stream
    double prob[] = {0.2, 0.3, 0.5};
    for (float f : reference_uniforms()) {
        double u = f;
        int want = (u <= 0.2) ? 1 : (u <= 0.5) ? 2 : 3;
        // Keep away from the boundaries, where the rounding of the repeated
        // subtraction decides.
        if (std::fabs(u - 0.2) < 1e-12 || std::fabs(u - 0.5) < 1e-12) want = -1;
        int out = -1;
        rmultinom(&out, prob);
        if (want > 0) {
            ASSERT_EQ(out, want) << "draw " << u;
        }
    }
}

TEST(Variates, RmultinomUnifFast)
{
    restart_default_stream();  // needs the fresh default stream
    const int ns[] = {1, 2, 3, 7, 10, 1000};
    size_t i = 0;
    for (float f : reference_uniforms()) {
        int n = ns[i++ % 6];
        int want = static_cast<int>(std::floor(static_cast<double>(f) * n)) + 1;
        int got = rmultinom_unif_fast(n);
        ASSERT_EQ(got, want) << "draw " << f << " n " << n;
        ASSERT_GE(got, 1);
        ASSERT_LE(got, n);
    }
}

TEST(Variates, RmultinomUnif)
{
    restart_default_stream();  // needs the fresh default stream
    const int ns[] = {1, 2, 3, 7, 10, 1000};
    size_t i = 0;
    for (float f : reference_uniforms()) {
        int n = ns[i++ % 6];
        double un = static_cast<double>(f) * n;
        int got = rmultinom_unif(n);
        // ceil(u n) away from the integer boundaries.
        if (std::fabs(un - std::round(un)) > 1e-9) {
            ASSERT_EQ(got, static_cast<int>(std::ceil(un))) << "draw " << f << " n " << n;
        }
        ASSERT_GE(got, 1);
        ASSERT_LE(got, n);
    }
}

TEST(Variates, RmultinomUnifByRepeatedSubtraction)
{
    // Two draws on a boundary-free path, and u = 0.5 with n = 2 exactly:
    // 0.5 - 0.5 = 0 ends after one step.
    restart_default_stream();
    std::vector<float> u = reference_uniforms();
    EXPECT_EQ(rmultinom_unif(3), static_cast<int>(std::ceil(u[0] * 3.0)));
    EXPECT_EQ(rmultinom_unif(4), static_cast<int>(std::ceil(u[1] * 4.0)));
}

TEST(Variates, RdirichletSingleCategoryIsOne)
{
    double alpha = 2.5, out = -1;
    int k = 1;
    rdirichlet(&out, &alpha, &k);
    EXPECT_NEAR(out, 1.0, 2 * DBL_EPSILON);
}

TEST(Variates, RdirichletFormula)
{
    // The same draws through gengam give the shares (0.01 S + g_i)/((0.01 k + 1) S).
    restart_default_stream();
    double alpha[] = {0.5, 1.0, 2.0, 7.0};
    int k = 4;
    double g[4], S = 0;
    for (int i = 0; i < k; i++) {
        g[i] = gengam(1.0f, static_cast<float>(alpha[i]));
        S += g[i];
    }
    restart_default_stream();
    double out[4];
    rdirichlet(out, alpha, &k);
    double sum = 0;
    for (int i = 0; i < k; i++) {
        EXPECT_EQ(out[i], (0.01 * S + g[i]) / ((0.01 * k + 1) * S));
        sum += out[i];
    }
    EXPECT_NEAR(sum, 1.0, 8 * DBL_EPSILON);
    // Nothing happens when k <= 0.
    int none = 0;
    double untouched = -7;
    rdirichlet(&untouched, alpha, &none);
    EXPECT_EQ(untouched, -7);
}

TEST(Variates, RdirichletMeans)
{
    setall(20240611L, 777L);
    double alpha[] = {0.4, 1.0, 3.0};
    int k = 3;
    const int n = 100000;
    double s[3] = {0, 0, 0};
    for (int j = 0; j < n; j++) {
        double out[3];
        rdirichlet(out, alpha, &k);
        for (int i = 0; i < k; i++) s[i] += out[i];
    }
    const double a0 = 4.4;
    for (int i = 0; i < k; i++) {
        double p = alpha[i] / a0;
        double mean = (p + 0.01) / 1.03;
        double sd = std::sqrt(p * (1 - p) / (a0 + 1)) / 1.03;
        EXPECT_NEAR(s[i] / n, mean, 5 * sd / std::sqrt(n)) << "category " << i;
    }
    restart_default_stream();
}

// Mean and variance of n gamma draws of shape a, rate b against a/b and
// a/b^2, with five standard errors (the fourth central moment of a gamma
// variate is (3 a^2 + 6 a)/b^4).
void check_gamma_moments(double shape, double rate, int n)
{
    double s = 0, ss = 0;
    for (int i = 0; i < n; i++) {
        double x = rgamma(shape, rate);
        // Single precision: for small shapes P(X < FLT_MIN) is not negligible
        // (about 1e-2 at shape 0.05), and such draws come out as 0.
        ASSERT_GE(x, 0.0) << "shape " << shape;
        s += x;
        ss += x * x;
    }
    double mean = s / n, var = ss / n - mean * mean;
    double sigma2 = shape / (rate * rate);
    double se_mean = std::sqrt(sigma2 / n);
    double se_var = sigma2 * std::sqrt((2 + 6 / shape) / n);
    EXPECT_NEAR(mean, shape / rate, 5 * se_mean) << "shape " << shape << " rate " << rate;
    EXPECT_NEAR(var, sigma2, 5 * se_var) << "shape " << shape << " rate " << rate;
}

TEST(Gamma, MomentsBelowShapeOne)
{
    setall(11111L, 22222L);
    for (double shape : {0.05, 0.3, 0.7, 0.999}) check_gamma_moments(shape, 2.0, 200000);
    restart_default_stream();
}

TEST(Gamma, MomentsFromShapeOne)
{
    setall(33333L, 44444L);
    // Shape 1 and the three cases of the GD constants (a <= 3.686,
    // 3.686 < a <= 13.022, a > 13.022).
    for (double shape : {1.0, 1.5, 3.0, 5.0, 13.0, 20.0, 150.0}) check_gamma_moments(shape, 0.5, 200000);
    restart_default_stream();
}

TEST(Gamma, AlternatingShapesKeepTheirConstants)
{
    // sgamma caches its constants for the previous shape; alternating shapes
    // must still give the right moments for each.
    setall(55555L, 66666L);
    const int n = 100000;
    double s1 = 0, s2 = 0;
    for (int i = 0; i < n; i++) {
        s1 += rgamma(2.0, 1.0);
        s2 += rgamma(0.5, 1.0);
    }
    EXPECT_NEAR(s1 / n, 2.0, 5 * std::sqrt(2.0 / n));
    EXPECT_NEAR(s2 / n, 0.5, 5 * std::sqrt(0.5 / n));
    restart_default_stream();
}

TEST(Gamma, RgammaIsGengamOfRateAndShape)
{
    restart_default_stream();
    float want = gengam(4.0f, 2.5f);
    restart_default_stream();
    EXPECT_EQ(rgamma(2.5, 4.0), static_cast<double>(want));
    restart_default_stream();
}

TEST(Gamma, ExponentialMoments)
{
    setall(77777L, 88888L);
    const int n = 200000;
    double s = 0, ss = 0;
    for (int i = 0; i < n; i++) {
        double x = sexpo();
        s += x;
        ss += x * x;
    }
    double mean = s / n, var = ss / n - mean * mean;
    EXPECT_NEAR(mean, 1.0, 5 / std::sqrt(n));
    EXPECT_NEAR(var, 1.0, 5 * std::sqrt(8.0 / n));  // fourth central moment 9
    restart_default_stream();
}

TEST(GammaDeathTest, GengamRejectsNonPositiveParameters)
{
    EXPECT_EXIT(gengam(0.0f, 1.0f), ::testing::ExitedWithCode(1), ::testing::HasSubstr("GENGAM"));
    EXPECT_EXIT(gengam(1.0f, -1.0f), ::testing::ExitedWithCode(1), ::testing::HasSubstr("GENGAM"));
}

// ---- densities and binomial coefficients ----

TEST(ProbkitDensities, Ddirichlet)
{
    double x[] = {0.2, 0.3, 0.5}, alpha[] = {1, 2, 3};
    int k = 3;
    // lgamma(6) - lgamma(1) - lgamma(2) - lgamma(3) + log 0.3 + 2 log 0.5 = log 4.5
    EXPECT_NEAR(ddirichlet(x, alpha, &k), std::log(4.5), 1e-14);
    double A = 0, T = 0;
    for (int i = 0; i < k; i++) {
        A = A + alpha[i];
        T = ((alpha[i] - 1) * std::log(x[i]) - std::lgamma(alpha[i])) + T;
    }
    EXPECT_EQ(ddirichlet(x, alpha, &k), std::lgamma(A) + T);
    int none = 0;
    EXPECT_EQ(ddirichlet(x, alpha, &none), HUGE_VAL);  // lgamma(0)
}

TEST(ProbkitDensities, Dgamma)
{
    const double pts[][3] = {{2, 3, 1.5}, {0.5, 0.7, 4}, {1, 1, 1}};
    for (const auto& p : pts) {
        double a = p[0], b = p[1], c = p[2];
        double v = ((b * std::log(c) + (c - 1) * a) - c * a) - std::lgamma(b);
        EXPECT_EQ(dgamma(a, b, c, 1), v);
        EXPECT_EQ(dgamma(a, b, c, 0), std::exp(v));
    }
}

TEST(ProbkitDensities, Lchoose)
{
    EXPECT_NEAR(lchoose(5, 2), std::log(10.0), 1e-13);
    EXPECT_NEAR(lchoose(10, 3), std::log(120.0), 1e-13);
    EXPECT_NEAR(lchoose(100, 50), std::lgamma(101.0) - 2 * std::lgamma(51.0), 1e-10);
    double n1 = 11, k1 = 4, nk1 = 8;
    EXPECT_EQ(lchoose(10, 3), alngam(&n1) - (alngam(&k1) + alngam(&nk1)));
}

TEST(ProbkitDensities, Lchoosef)
{
    EXPECT_NEAR(lchoosef(5.0f, 2.0f), std::log(10.0f), 2e-6f);
    EXPECT_NEAR(lchoosef(10.0f, 3.0f), std::log(120.0f), 4e-6f);
    // n + 1 in double, k + 1 and n - k in single precision, combined in
    // double and narrowed once.
    float n = 7.3f, k = 2.1f;
    double a = static_cast<double>(n) + 1.0;
    double b = static_cast<double>(k + 1.0f);
    double c = static_cast<double>(n - k) + 1.0;
    EXPECT_EQ(lchoosef(n, k), static_cast<float>(alngam(&a) - (alngam(&b) + alngam(&c))));
}

}  // namespace

// A uniform of exactly 1.0 stays inside 1..n instead of giving n + 1.
TEST(Variates, RmultinomUnifFastAtUniformOne)
{
    const long m1 = 2147483563L, m2 = 2147483399L;
    auto powmod = [](long a, long e, long m) {
        long r = 1;
        for (a %= m; e > 0; e >>= 1, a = a * a % m)
            if (e & 1) r = r * a % m;
        return r;
    };
    for (int n : {1, 7, 1000}) {
        restart_default_stream();
        // Next s1 = m1 - 1 and next s2 = 1: the largest draw, which ranf rounds to 1.0.
        setsd(m1 - powmod(40014L, m1 - 2, m1), powmod(40692L, m2 - 2, m2));
        EXPECT_EQ(rmultinom_unif_fast(n), n);
    }
    restart_default_stream();
}
