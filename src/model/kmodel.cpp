// kmodel.cpp -- one level or two? The contrast model on the absolute contrasts.
//
// Homozygous individuals sit near |contrast| = 1, heterozygous ones near 0. A
// single normal is compared with two normals fitted by hard classification,
// each scored by its log-likelihood plus nind times the log of a lognormal
// prior truncated to (0, 1].
#include <cmath>
#include <limits>
#include <vector>

#include "data.h"
#include "lognormal_prior.h"
#include "normal_density.h"
#include "probkit.h"
#include "simd.h"

namespace {

// Variances below this are raised to it, so a level never has zero spread.
const double min_variance = 0.000001;

// The two-level fit gives up after this many passes, even if classes still change.
const int max_passes = 100;

bool is_nan(double x) { return x != x; }

void dnorm_all(const double* x, size_t n, double m, double s, std::vector<double>& out)
{
    out.resize(n);
    dnorm_many(x, n, m, s, out.data());
}

// The sum of log(v[i]) over the entries whose contrast is a number, in index order.
double sum_logs(const std::vector<double>& contrast, std::vector<double>& v)
{
    vlog(v.data(), v.data(), v.size());
    double sum = 0;
    for (size_t i = 0; i < v.size(); ++i)
        if (!is_nan(contrast[i])) sum += v[i];
    return sum;
}

}  // namespace

void data::kmodel()
{
    const double quiet_nan = std::numeric_limits<double>::quiet_NaN();
    const size_t n = nind > 0 ? static_cast<size_t>(nind) : 0;
    if (kclass.size() != n)
        kclass.resize(n, 0);

    sd_1 = 0.003;
    sd_2 = 0.003;

    size_t usable = 0;
    for (size_t i = 0; i < n; ++i)
        if (!is_nan(abs_contrast[i]))
            ++usable;
    // Nobody to fit: the prior cannot be evaluated at a NaN mean, so mark the
    // levels as not fitted (NaN) and the choice as none (0) instead of scoring,
    // and skip the statistics, whose only news would be that all are NaN.
    if (usable == 0) {
        mu = quiet_nan;
        mu_1 = quiet_nan;
        mu_2 = quiet_nan;
        kmodel_choice = 0;
        return;
    }

    double lo = quiet_nan, hi = quiet_nan;
    minmaxvec(abs_contrast, nind, lo, hi, &console);
    mu = meanvec(abs_contrast, nind, &console);
    const double v = varvec(abs_contrast, mu, nind, &console);
    double s0 = std::sqrt(v > min_variance ? v : min_variance);

    const double weight = static_cast<double>(nind);
    const double log_mass = tamsel::level_prior_log_cdf1();

    std::vector<double>& d1 = work.dens1;
    std::vector<double>& d2 = work.dens2;
    std::vector<double>& t = work.logs;
    dnorm_all(abs_contrast.data(), n, mu, s0, t);
    double L1 = sum_logs(abs_contrast, t);
    L1 = L1 + weight * (tamsel::level_prior_log_pdf(mu) - log_mass);

    mu_2 = lo;
    mu_1 = hi;

    double L2 = 0;
    // With every usable value the same there is no second level to fit.
    if (mu_1 != mu_2) {
        const double mid = (mu_1 + mu_2) / 2;
        for (size_t i = 0; i < n; ++i) {
            if (is_nan(abs_contrast[i]))
                kclass[i] = 0;
            else
                kclass[i] = abs_contrast[i] < mid ? 2 : 1;
        }

        std::vector<int>& previous = work.previous_class;
        int passes = 0;
        do {
            kparameter_update();
            previous = kclass;
            // Entries of missing individuals are computed too but never read.
            dnorm_all(abs_contrast.data(), n, mu_1, sd_1, d1);
            dnorm_all(abs_contrast.data(), n, mu_2, sd_2, d2);
            for (size_t i = 0; i < n; ++i) {
                if (is_nan(abs_contrast[i]))
                    continue;
                // Equal weighted densities go to the low level.
                kclass[i] = d1[i] * kprop[1] > kprop[2] * d2[i] ? 1 : 2;
            }
            ++passes;
        } while (kclass != previous && passes < max_passes);

        // Densities of the last pass, not weighted by the proportions.
        t.resize(n);
        for (size_t i = 0; i < n; ++i) t[i] = kclass[i] == 1 ? d1[i] : d2[i];
        L2 = sum_logs(abs_contrast, t);
        L2 = L2 + weight * (tamsel::level_prior_log_pdf(std::fabs(mu_1 - mu_2)) - log_mass);
    }

    // Ties and NaN scores choose two levels.
    kmodel_choice = L1 > L2 ? 1 : 2;

    // Exchanged by add-and-subtract rather than a swap: later output depends on
    // the rounding of these steps to the last bit.
    if (mu_2 > mu_1) {
        mu_1 = mu_1 + mu_2;
        mu_2 = mu_1 - mu_2;
        mu_1 = mu_1 - mu_2;
    }
}

void data::kparameter_update()
{
    const size_t n = nind > 0 ? static_cast<size_t>(nind) : 0;
    std::vector<double>& level1 = work.level1;
    std::vector<double>& level2 = work.level2;
    level1.clear();
    level2.clear();
    for (size_t i = 0; i < n; ++i) {
        if (kclass[i] == 1)
            level1.push_back(abs_contrast[i]);
        else if (kclass[i] == 2)
            level2.push_back(abs_contrast[i]);
    }
    // Proportions are addressed by class number 1 and 2; entry 0 stays 0.
    if (kprop.size() < 3)
        kprop.resize(3, 0.0);
    const int k1 = static_cast<int>(level1.size());
    const int k2 = static_cast<int>(level2.size());

    // An empty class keeps its last mean and spread; one member keeps its spread.
    if (k1 > 0) {
        mu_1 = meanvec(level1, k1, &console);
        if (k1 > 1) {
            const double v = varvec(level1, mu_1, k1, &console);
            sd_1 = std::sqrt(v > min_variance ? v : min_variance);
        }
    }
    if (k2 > 0) {
        mu_2 = meanvec(level2, k2, &console);
        if (k2 > 1) {
            const double v = varvec(level2, mu_2, k2, &console);
            sd_2 = std::sqrt(v > min_variance ? v : min_variance);
        }
    }

    // Divided by nind, missing individuals included, so the two need not add to 1.
    kprop[1] = static_cast<double>(k1) / static_cast<double>(nind);
    kprop[2] = static_cast<double>(k2) / static_cast<double>(nind);
}
