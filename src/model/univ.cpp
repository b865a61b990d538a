// univ.cpp -- eight candidate starts on the contrast axis and their two scores.
//
// Rows 0 to 6 of the candidates are fixed patterns of the contrast-model levels,
// row 7 spans the observed contrasts. A candidate is scored after the initial
// calls made from it: a truncated-normal likelihood of the contrasts per called
// class, a lognormal prior on the gaps between the class centres, and (second
// score) a Hardy-Weinberg penalty.
#include <algorithm>
#include <cmath>
#include <vector>

#include "data.h"
#include "inbred.h"
#include "lognormal_prior.h"
#include "normal_density.h"
#include "probkit.h"
#include "quantile.h"
#include "simd.h"

namespace {

// An individual never costs a called class more than this in log-likelihood.
const double log_floor = -20;

// Second score of a candidate under which nobody is called: the smallest int.
const double no_calls_score = -2147483648.0;

struct univ_score {
    double base;  // class terms, null term and spacing prior, summed in that order
    int n_aa, n_ab, n_bb;
};

// use(log(dnorm(x, m, s) / mass)) for every x in order (no division when mass
// is null): dnorm's exponent and divisions as it computes them, its exp and the
// log through the vector functions a block at a time.
template <class F>
void each_log_density(const std::vector<double>& xs, double m, double s, const double* mass, F use)
{
    constexpr std::size_t BLOCK = 256;
    double a[BLOCK];
    for (std::size_t i0 = 0; i0 < xs.size(); i0 += BLOCK) {
        const std::size_t n = std::min(BLOCK, xs.size() - i0);
        dnorm_many(xs.data() + i0, n, m, s, a);
        if (mass)
            for (std::size_t b = 0; b < n; ++b) a[b] = a[b] / *mass;
        vlog(a, a, n);
        for (std::size_t b = 0; b < n; ++b) use(a[b]);
    }
}

// Log-likelihood of one called class under a normal truncated to [-1, 1],
// re-estimated from its members; writes the re-estimated centre to uni_mean[k].
double class_score(::data& d, int k, const std::vector<double>& members)
{
    double m = d.uni_mean[k];
    double s = d.uni_sd[k];
    const int n = static_cast<int>(members.size());
    if (n > 0) {
        m = ::data::meanvec(members, n);
        d.uni_mean[k] = m;
        // One member has no spread of its own: it keeps the candidate's.
        if (n > 1)
            s = std::sqrt(::data::varvec(members, m, n));
        // Identical members would give a spike: fall back to the candidate's spread.
        if (s == 0)
            s = d.uni_sd[k];
    }

    // Mass of the class normal inside the contrast range.
    double mass;
    if (k == 0)
        mass = pnorm(-1, &m, &s, 1);
    else if (k == 1)
        mass = pnorm(1, &m, &s, 0) - pnorm(-1, &m, &s, 0);
    else
        mass = pnorm(1, &m, &s, 0);

    double sum = 0;
    each_log_density(members, m, s, &mass, [&](double t) {
        // A NaN t (zero spread, zero mass) fails the comparison and takes the floor too.
        sum += t > log_floor ? t : log_floor;
    });
    return sum;
}

// Steps shared by both scores; the second adds its penalty to the same base.
univ_score score_candidate(::data& d)
{
    std::vector<double>* groups = d.work.groups;
    for (int g = 0; g < 4; ++g) groups[g].clear();
    for (int i = 0; i < d.nind; ++i) {
        const int c = d.calls[i];
        const int g = (c == CALL_AA || c == CALL_AB || c == CALL_BB) ? c - 1 : 3;
        groups[g].push_back(d.contrast[i]);
    }

    double s[3];
    for (int k = 0; k < 3; ++k)
        s[k] = class_score(d, k, groups[k]);

    // The null class is wide and fixed: no truncation, no floor, no re-estimation.
    double null_mean = d.uni_mean[3], null_sd = d.uni_sd[3];
    double s_null = 0;
    each_log_density(groups[3], null_mean, null_sd, nullptr, [&](double t) { s_null += t; });

    // Gaps between neighbouring centres; centres in the wrong order give a gap of
    // 0 and so no prior density. A NaN difference is kept as NaN.
    double d1 = d.uni_mean[1] - d.uni_mean[0];
    if (d1 < 0)
        d1 = 0;
    double d2 = d.uni_mean[2] - d.uni_mean[1];
    if (d2 < 0)
        d2 = 0;
    const double log_mass = tamsel::level_prior_log_cdf2();
    const double prior = (static_cast<double>(d.nind) / 2.0) *
                         (((tamsel::level_prior_log_pdf(d1) - log_mass) +
                           tamsel::level_prior_log_pdf(d2)) - log_mass);

    univ_score r;
    r.base = (((s[0] + s[1]) + s[2]) + s_null) + prior;
    r.n_aa = static_cast<int>(groups[0].size());
    r.n_ab = static_cast<int>(groups[1].size());
    r.n_bb = static_cast<int>(groups[2].size());
    return r;
}

}  // namespace

void data::initialise_univ()
{
    if (rangec.size() != 8)
        rangec.assign(8, std::vector<double>(3, 0.0));
    if (ranges.size() != 8)
        ranges.assign(8, std::vector<double>(3, 0.0));
    for (int r = 0; r < 8; ++r) {
        rangec[r].resize(3, 0.0);
        ranges[r].resize(3, 0.0);
    }

    // Missing individuals take part with their contrast of 0.
    const unsigned int n = nind > 0 ? static_cast<unsigned int>(nind) : 0;
    contrast_lo = quantile(contrast.data(), n, 0.001);
    contrast_hi = quantile(contrast.data(), n, 0.999);

    if (kmodel_choice == 1) {
        rangec[0] = {-mu, 0, mu};
        rangec[1] = {-1, 0, mu};
        rangec[2] = {-mu, 0, 1};
        rangec[3] = {-mu, mu, 1};
        rangec[4] = {-1, -mu, mu};
        rangec[5] = {-1, -0.8, mu};
        rangec[6] = {-mu, 0.8, 1};
    } else {
        rangec[0] = {-mu_1, 0, mu_1};
        rangec[1] = {-1, 0, mu_1};
        rangec[2] = {-mu_1, 0, 1};
        rangec[3] = {-mu_1, -mu_2, mu_1};
        rangec[4] = {-mu_1, mu_2, mu_1};
        rangec[5] = {-mu_1, -mu_2, mu_2};
        rangec[6] = {-mu_2, mu_2, mu_1};
    }

    // Row 7 spreads the three centres over 95% of the observed contrast range.
    const double lo = contrast_lo, hi = contrast_hi;
    const double c = 0.5 * (lo + hi);
    rangec[7] = {c + ((hi - lo) * -0.95) / 2, c, c + ((hi - lo) * 0.95) / 2};

    for (int r = 0; r < 8; ++r) {
        const double spread = r < 3 ? 0.1 : 0.05 * (hi - lo);
        ranges[r] = {spread, spread, spread};
    }
}

// The second score: the base plus -10 times the Hardy-Weinberg statistic of
// the calls, or the sentinel when nobody is called.
static double with_hardy_weinberg(const univ_score& r, int nind, const std::vector<double>& f)
{
    const int called = r.n_aa + r.n_ab + r.n_bb;
    if (called == 0)
        return no_calls_score;

    const double p = static_cast<double>(2 * r.n_aa + r.n_ab) / static_cast<double>(2 * called);
    const double q = 1 - p;
    // Expected counts use every individual, no calls and missing ones included.
    const double N = static_cast<double>(nind);
    const double n_aa = r.n_aa, n_ab = r.n_ab, n_bb = r.n_bb;

    double X = 0;
    if (!f.empty()) {
        X = inbred_hwe_statistic(r.n_aa, r.n_ab, r.n_bb, p, f);
    } else if (p < 1 && p > 0) {
        const double aa = n_aa - N * (p * p);
        X = X + (aa * aa) / (N * (p * p));
        const double ab = n_ab + N * ((-2 * q) * p);
        X = X + (ab * ab) / (N * ((q + q) * p));
        const double bb = n_bb - N * (q * q);
        X = X + (bb * bb) / (N * (q * q));
    } else if (p == 1) {
        X = ((n_aa - N) * (n_aa - N)) / N;
    } else if (q == 1) {
        X = ((n_bb - N) * (n_bb - N)) / N;
    }

    return r.base + (-10 * X);
}

double data::likelihood_ini_1()
{
    return score_candidate(*this).base;
}

double data::likelihood_ini_2()
{
    return with_hardy_weinberg(score_candidate(*this), nind, inbred_f);
}

// Both scores from one pass: the second repeats the first's steps exactly, its
// writes to uni_mean included, and only adds the Hardy-Weinberg penalty.
void data::score_start(double& first, double& second)
{
    const univ_score r = score_candidate(*this);
    first = r.base;
    second = with_hardy_weinberg(r, nind, inbred_f);
}
