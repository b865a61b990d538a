// quantile.h -- empirical quantile with linear interpolation between order statistics.
#ifndef TAMSEL_QUANTILE_H
#define TAMSEL_QUANTILE_H

#include <algorithm>
#include <limits>
#include <vector>

// The q-quantile of values[0..n-1] at the fractional rank (n - 1) q: the order
// statistics of ranks k and k + 1 mixed as (1 - f) a + b f. n = 0 gives 0,
// q <= 0 the smallest value, q >= 1 the largest. The input is left untouched.
template <class T>
T quantile(const T* values, unsigned int n, double q)
{
    if (n == 0)
        return T(0);
    if (n == 1)
        return values[0];
    if (q <= 0)
        return *std::min_element(values, values + n);
    if (q >= 1)
        return *std::max_element(values, values + n);
    // A NaN q would make the rank undefined (and its conversion to an integer too).
    if (q != q)
        return std::numeric_limits<T>::quiet_NaN();

    const double h = static_cast<double>(n - 1) * q;
    const unsigned int k = static_cast<unsigned int>(h);
    const double f = h - k;

    std::vector<T> scratch(values, values + n);
    std::nth_element(scratch.begin(), scratch.begin() + k, scratch.end());
    const T a = scratch[k];
    // 0 < q < 1 keeps h below n - 1, so position k + 1 always exists.
    const T b = *std::min_element(scratch.begin() + k + 1, scratch.end());
    return (1 - f) * a + b * f;
}

template <class T>
T quantile(const std::vector<T>& v, double q)
{
    return quantile(v.data(), static_cast<unsigned int>(v.size()), q);
}

#endif
