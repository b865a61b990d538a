// transform.cpp -- raw (A, B) intensities to contrast and strength coordinates.
#include <cmath>
#include <limits>

#include "data.h"
#include "simd.h"

bool usable_pair(double a, double b)
{
    // Negative values (the NaN code -1.001), NaN, a zero pair and an infinite
    // total all fail here; an infinite strength would poison the whole fit.
    return ((a > 0 && b >= 0) || (a >= 0 && b > 0)) && std::isfinite(a + b);
}

bool transform_pair(double a, double b, double& contrast, double& strength)
{
    if (!usable_pair(a, b)) return false;
    const double sum = a + b;
    strength = std::log(sum);
    contrast = (b - a) / sum;
    return true;
}

void data::transform_intens()
{
    const double quiet_nan = std::numeric_limits<double>::quiet_NaN();
    const size_t n = nind > 0 ? static_cast<size_t>(nind) : 0;
    // The driver sizes these once per run; a mismatch would mean writing past the end.
    if (strength.size() != n || contrast.size() != n || abs_contrast.size() != n) {
        strength.resize(n, 0.0);
        contrast.resize(n, 0.0);
        abs_contrast.resize(n, 0.0);
    }

    missing.clear();
    for (size_t i = 0; i < n; ++i) {
        // A short row leaves the last individuals without a pair: they are missing.
        double a = quiet_nan, b = quiet_nan;
        if (i < dat.vec.size() && dat.vec[i].Nrows() >= 2) {
            a = dat.vec[i](1);
            b = dat.vec[i](2);
        }
        if (usable_pair(a, b)) {
            // The total for now: the logarithms of all totals are taken together below.
            const double sum = a + b;
            strength[i] = sum;
            contrast[i] = (b - a) / sum;
            abs_contrast[i] = std::fabs(contrast[i]);
        } else {
            // Contrast and strength stay 0 so a missing individual still counts as 0
            // in the quantiles; NaN in abs_contrast is what the contrast model skips.
            strength[i] = 1;
            contrast[i] = 0;
            abs_contrast[i] = quiet_nan;
            missing.push_back(static_cast<int>(i));
        }
    }
    // log(1) is +0, the strength of a missing individual.
    vlog(strength.data(), strength.data(), n);
}
