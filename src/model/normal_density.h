// normal_density.h -- dnorm over many values, with dnorm's own arithmetic.
#ifndef TAMSEL_NORMAL_DENSITY_H
#define TAMSEL_NORMAL_DENSITY_H

#include <cmath>
#include <cstddef>

#include "simd.h"

// The root of 2 pi that dnorm divides by, pi taken as 3.141592654.
inline double dnorm_root_2pi() { return std::sqrt(2 * 3.141592654); }

// out[i] = dnorm(x[i], m, s) for i < n: the exponent and the division as dnorm
// computes them, the exponentials through one vector call. x and out may be
// the same array.
inline void dnorm_many(const double* x, std::size_t n, double m, double s, double* out)
{
    for (std::size_t i = 0; i < n; ++i) {
        const double d = x[i] - m;
        out[i] = ((d * (-0.5)) * d) / (s * s);
    }
    vexp(out, out, n);
    const double scale = dnorm_root_2pi() * s;
    for (std::size_t i = 0; i < n; ++i) out[i] = out[i] / scale;
}

#endif
