// The vector lanes of the posterior step, the initial calls and the contrast
// model against the library path, bit for bit, on individuals at the edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "data.h"
#include "simd.h"
#include "simd_check.h"

namespace {

const double nan_ = std::numeric_limits<double>::quiet_NaN();

struct state : ::data {
    explicit state(int n)
    {
        nind = n;
        size_model();
        write_probs = true;
    }
};

bool same_bits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The vector paths this machine and build have.
std::vector<const char*> vector_paths()
{
    std::vector<const char*> v;
    for (const char* p : {"avx2", "avx512"})
        if (tamsel_simd::select(p)) v.push_back(p);
    simd_init(true);
    return v;
}

// Fills d with a SNP: a spread of individuals over the whole contrast range,
// with the edge cases every case below shares.
void edge_individuals(::data& d, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::normal_distribution<double> z;
    d.missing.clear();
    for (int i = 0; i < d.nind; ++i) {
        d.contrast[i] = u(rng);
        d.strength[i] = 1 + 0.3 * z(rng);
        d.calls[i] = 1 + static_cast<int>(rng() % 4);
        d.gender[i] = static_cast<int>(rng() % 3);
    }
    // Contrast exactly -1 and 1, strength exactly 0, a tie of contrasts, and a
    // missing individual at the origin.
    const int n = d.nind;
    if (n > 0) d.contrast[0] = -1;
    if (n > 1) d.contrast[1] = 1;
    if (n > 2) d.strength[2] = 0;
    if (n > 4) d.contrast[3] = d.contrast[4];
    if (n > 5) {
        d.contrast[5] = d.strength[5] = 0;
        d.missing.push_back(5);
    }
    d.old_calls = d.calls;
}

struct outcome {
    std::vector<int> calls;
    std::vector<double> probs;
    double loglik;
    int changed;
};

// One posterior step of the SNP that set_up builds, on the given path.
template <class F>
outcome step_on(const char* path, int n, F set_up, int light_tails)
{
    EXPECT_TRUE(tamsel_simd::select(path)) << path;
    state d(n);
    d.gender.assign(n, 0);
    set_up(d);
    outcome o;
    o.changed = d.update_prob(light_tails);
    o.calls = d.calls;
    o.probs = d.probs;
    o.loglik = d.loglik;
    simd_init(true);
    return o;
}

template <class F>
void expect_same_step(const char* what, int n, F set_up)
{
    for (int lt : {0, 1}) {
        const outcome want = step_on("scalar", n, set_up, lt);
        for (const char* path : vector_paths()) {
            const outcome got = step_on(path, n, set_up, lt);
            EXPECT_EQ(got.calls, want.calls) << what << " on " << path;
            EXPECT_TRUE(same_bits(got.probs, want.probs)) << what << " on " << path;
            EXPECT_TRUE(same_bits(got.loglik, want.loglik)) << what << " on " << path;
            EXPECT_EQ(got.changed, want.changed) << what << " on " << path;
        }
    }
}

void clusters(::data& d, double aa, double ab, double bb)
{
    d.initialise_mult();
    d.MU_AA(1) = aa, d.MU_AB(1) = ab, d.MU_BB(1) = bb;
    d.MU_AA(2) = d.MU_AB(2) = d.MU_BB(2) = 1;
    d.SIGMA_AA << 0.01 << 0.002 << 0.09;
    d.SIGMA_AB << 0.02 << -0.001 << 0.08;
    d.SIGMA_BB << 0.015 << 0 << 0.1;
    d.geno_freq = {0.25, 0.5, 0.25};
    d.allele_p = d.allele_q = 0.5;
}

}  // namespace

TEST(Lanes, PosteriorStepAtTheEdges)
{
    // More than one block of individuals, and fewer than one lane.
    for (int n : {300, 3, 1}) {
        expect_same_step("three clusters", n, [](::data& d) {
            edge_individuals(d, 7);
            clusters(d, -0.8, 0.02, 0.85);
        });
        // A cluster whose matrix is singular has no density anywhere.
        expect_same_step("a cluster without density", n, [](::data& d) {
            edge_individuals(d, 8);
            clusters(d, -0.8, 0.0, 0.8);
            d.SIGMA_AB << 0.02 << 0.02 << 0.02;
            d.SIGMA_BB << 0 << 0 << 0;
        });
        // Centres in the wrong order zero every heterozygote density, and
        // centres beyond the range leave every individual on one side.
        expect_same_step("homozygote centres swapped", n, [](::data& d) {
            edge_individuals(d, 9);
            clusters(d, 0.9, 0.0, -0.9);
        });
        expect_same_step("all left of the AB centre", n, [](::data& d) {
            edge_individuals(d, 10);
            clusters(d, -2, 1.5, 3);
        });
        // A centre that is not a number matches no order rule.
        expect_same_step("a centre not a number", n, [](::data& d) {
            edge_individuals(d, 11);
            clusters(d, nan_, 0.0, 0.8);
        });
        expect_same_step("no frequencies", n, [](::data& d) {
            edge_individuals(d, 12);
            clusters(d, -0.8, 0.0, 0.8);
            d.geno_freq = {nan_, nan_, nan_};
        });
        // The copy rules and the inbred weights take the scalar weighting after vector densities.
        expect_same_step("X with both genders", n, [](::data& d) {
            edge_individuals(d, 13);
            clusters(d, -0.8, 0.0, 0.8);
            d.chromosome = chrom::X;
        });
        expect_same_step("inbred individuals", n, [](::data& d) {
            edge_individuals(d, 14);
            clusters(d, -0.8, 0.0, 0.8);
            d.inbred_f.assign(d.nind, 0.0);
            for (int i = 0; i < d.nind; i += 2) d.inbred_f[i] = 0.9;
        });
        // A contrast that is not a number cannot be sorted: the blocks are used.
        expect_same_step("a contrast not a number", n, [](::data& d) {
            edge_individuals(d, 15);
            clusters(d, -0.8, 0.0, 0.8);
            d.contrast[d.nind - 1] = nan_;
        });
    }
}

// The sorted individuals are kept between steps: a step after the contrasts
// or strengths changed in place must see the new values.
TEST(Lanes, StepsAfterTheIndividualsMoved)
{
    for (const char* path : vector_paths()) {
        std::vector<outcome> got, want;
        for (const char* p : {"scalar", path}) {
            ASSERT_TRUE(tamsel_simd::select(p));
            state d(200);
            d.gender.assign(200, 0);
            edge_individuals(d, 21);
            clusters(d, -0.8, 0.0, 0.8);
            std::vector<outcome>& out = std::strcmp(p, "scalar") == 0 ? want : got;
            for (int round = 0; round < 4; ++round) {
                d.update_prob(round % 2);
                out.push_back({d.calls, d.probs, d.loglik, 0});
                // A reflection keeps every value and reverses the order; then a shift, then only strengths.
                if (round == 0)
                    for (double& c : d.contrast) c = -c;
                if (round == 1)
                    for (double& c : d.contrast) c = c * 0.5 + 0.1;
                if (round == 2)
                    for (double& s : d.strength) s += 0.25;
                d.SIGMA_NULL << 1000 << 0 << 1000;
            }
        }
        simd_init(true);
        for (size_t r = 0; r < want.size(); ++r) {
            EXPECT_EQ(got[r].calls, want[r].calls) << path << " round " << r;
            EXPECT_TRUE(same_bits(got[r].probs, want[r].probs)) << path << " round " << r;
            EXPECT_TRUE(same_bits(got[r].loglik, want[r].loglik)) << path << " round " << r;
        }
    }
}

TEST(Lanes, InitialCallsAndContrastModel)
{
    struct start { double m[3], s[3]; };
    // Ordinary starts, a spread of 0 (no defined density) and starts far outside the range.
    const start starts[] = {{{-0.8, 0, 0.8}, {0.1, 0.1, 0.1}}, {{-0.8, 0, 0.8}, {0, 0.1, 0}}, {{-5, 4, 9}, {0.05, 0.05, 0.05}}};
    for (const char* path : vector_paths())
        for (const start& st : starts)
            for (chrom c : {chrom::none, chrom::Y}) {
                std::vector<int> calls[2];
                double mu[2][3];
                int choice[2];
                const char* paths[2] = {"scalar", path};
                for (int k = 0; k < 2; ++k) {
                    ASSERT_TRUE(tamsel_simd::select(paths[k]));
                    state d(257);
                    d.gender.assign(257, 0);
                    edge_individuals(d, 31);
                    d.chromosome = c;
                    for (int g = 0; g < 3; ++g) d.uni_mean[g] = st.m[g], d.uni_sd[g] = st.s[g];
                    d.seed_calls();
                    calls[k] = d.calls;
                    for (int i = 0; i < d.nind; ++i) d.abs_contrast[i] = std::fabs(d.contrast[i]);
                    d.abs_contrast[5] = nan_;  // missing: the contrast model skips it
                    d.kmodel();
                    mu[k][0] = d.mu, mu[k][1] = d.mu_1, mu[k][2] = d.mu_2;
                    choice[k] = d.kmodel_choice;
                }
                simd_init(true);
                EXPECT_EQ(calls[1], calls[0]) << path;
                EXPECT_EQ(choice[1], choice[0]) << path;
                for (int j = 0; j < 3; ++j) EXPECT_TRUE(same_bits(mu[1][j], mu[0][j])) << path << " level " << j;
            }
}
