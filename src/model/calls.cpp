// calls.cpp -- first calls of a fit run, from a one-dimensional model of the
// contrast alone, followed by the run's first one or two iterations.
#include <algorithm>
#include <cmath>

#include "call_rules.h"
#include "data.h"
#include "lanes.h"
#include "normal_density.h"
#include "probkit.h"
#include "simd.h"

// A start spread of 0 or a truncation mass of 0 leaves no defined density: the
// genotype then gets no initial weight instead of a NaN or an infinity.
static double finite_or_zero(double q) { return std::isfinite(q) ? q : 0; }

void data::initialise_calls()
{
    seed_calls();
    first_iterations();
}

void data::seed_calls()
{
    double* m = uni_mean;
    double* s = uni_sd;
    // The truncation masses depend only on the start, not on the individual.
    const double T_AA = pnorm(-1, &m[0], &s[0], 1);
    const double T_AB = pnorm(1, &m[1], &s[1], 0) - pnorm(-1, &m[1], &s[1], 0);
    const double T_BB = pnorm(1, &m[2], &s[2], 0);
    const double root_2pi = dnorm_root_2pi();
    const lane_kernels* L = chromosome == chrom::none ? lanes_for(simd_lanes()) : nullptr;
    if (L && nind > 0) {
        // The same arithmetic over all individuals at once, four arrays of exponents.
        const double scale[4] = {root_2pi * s[0], root_2pi * s[1], root_2pi * s[2], root_2pi * s[3]};
        const double T[3] = {T_AA, T_AB, T_BB};
        std::vector<double>& e = work.scratch;
        e.resize(4 * static_cast<size_t>(nind));
        L->seed_args(contrast.data(), nind, m, s, e.data());
        vexp(e.data(), e.data(), e.size());
        L->seed_finish(e.data(), nind, scale, T, call_threshold, calls.data());
        for (int k : missing) calls[k] = CALL_NULL;
        old_calls = calls;
        return;
    }
    double P[4];
    // dnorm of the four starts, a block at a time: the exponents of a block go
    // through one vector exp, each value divided exactly as dnorm divides it.
    constexpr int BLOCK = 128;
    double arg[4 * BLOCK], e[4 * BLOCK];
    for (int i0 = 0; i0 < nind; i0 += BLOCK) {
        const int n = std::min(BLOCK, nind - i0);
        for (int b = 0; b < n; ++b)
            for (int g = 0; g < 4; ++g) {
                const double d = contrast[i0 + b] - m[g];
                arg[4 * b + g] = ((d * (-0.5)) * d) / (s[g] * s[g]);
            }
        vexp(arg, e, 4 * n);
        for (int b = 0; b < n; ++b) {
            const int i = i0 + b;
            const double* eb = e + 4 * b;
            const double q_AA = finite_or_zero(eb[0] / (root_2pi * s[0]) / T_AA);
            const double q_AB = finite_or_zero(eb[1] / (root_2pi * s[1]) / T_AB);
            const double q_BB = finite_or_zero(eb[2] / (root_2pi * s[2]) / T_BB);
            const double q_N = eb[3] / (root_2pi * s[3]);
            const double sum = ((q_AA + q_AB) + q_BB) + q_N;
            P[0] = q_AA / sum;
            P[1] = q_AB / sum;
            P[2] = q_BB / sum;
            P[3] = q_N / sum;

            if (chromosome != chrom::none) {
                copy_case k = copies(chromosome, gender[i]);
                if (k == NO_COPY) {
                    P[0] = P[1] = P[2] = 0;
                    P[3] = 1;
                } else if (k == ONE_COPY) {
                    // Not renormalised: the remaining entries must pass the threshold as they stand.
                    P[1] = 0;
                }
            }
            calls[i] = initial_call(P, call_threshold);
        }
    }
    for (int k : missing) calls[k] = CALL_NULL;
    old_calls = calls;
}

void data::first_iterations()
{
    iter = 0;
    if (update() == 1 && iter < 1) {
        ++iter;
        update();
    }
}
