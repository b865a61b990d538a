// mixture.cpp -- starting state of the four-component mixture and its
// re-estimation from hard calls.
#include <cmath>
#include <limits>

#include "data.h"

void data::initialise_mult()
{
    // Every cluster starts on the strength axis at 0; only the contrast centre differs.
    MU_AA << uni_mean[0] << 0;
    MU_AB << uni_mean[1] << 0;
    MU_BB << uni_mean[2] << 0;
    MU_NULL << 0 << 0;
    // Lower triangle, row by row: (1,1); (2,1), (2,2).
    SIGMA_AA << 0.03 << 0 << 0.15;
    SIGMA_AB << 0.03 << 0 << 0.15;
    SIGMA_BB << 0.03 << 0 << 0.15;
    double v = narrow_null ? 1000 : 100000;
    SIGMA_NULL << v << 0 << v;
    geno_freq[0] = geno_freq[1] = geno_freq[2] = 0;
}

void data::update_parameters()
{
    // Scratch lists reused across calls: entries past the current count are stale
    // and never read.
    std::vector<double>& X = scratch_x;
    std::vector<double>& Y = scratch_y;
    if (X.size() < static_cast<size_t>(nind)) X.resize(nind);
    if (Y.size() < static_cast<size_t>(nind)) Y.resize(nind);
    double a = 0, b = 0;
    maf = 0;

    struct cluster { int code; ColumnVector* mu; SymmetricMatrix* sigma; int* count; };
    const cluster order[3] = {{CALL_AA, &MU_AA, &SIGMA_AA, &n_AA},
                              {CALL_BB, &MU_BB, &SIGMA_BB, &n_BB},
                              {CALL_AB, &MU_AB, &SIGMA_AB, &n_AB}};
    for (const cluster& c : order) {
        int n = 0;
        for (int i = 0; i < nind; ++i) {
            X[n] = contrast[i];
            Y[n] = strength[i];
            n += calls[i] == c.code;
        }
        *c.count = n;
        if (c.code == CALL_AA) a += 2 * n;
        if (c.code == CALL_BB) b += 2 * n;
        if (c.code == CALL_AB) {
            a += n;
            b += n;
        }
        if (n > 0) meanvec2(X, Y, n, (*c.mu)(1), (*c.mu)(2), &console);
        // Fewer than five members keep the previous matrix: too few for a 2x2 estimate.
        if (n > 4) {
            double vx, vy, cxy;
            moments3(X, Y, (*c.mu)(1), (*c.mu)(2), n, vx, vy, cxy, &console);
            (*c.sigma)(1, 1) = vx > 0.00001 ? vx : 0.00001;
            (*c.sigma)(2, 2) = vy > 0.00001 ? vy : 0.00001;
            (*c.sigma)(2, 1) = cxy;
        }
    }
    if (a + b == 0) {
        // Nobody called: the frequencies are undefined and the posterior step
        // turns every individual into a no call.
        geno_freq[0] = geno_freq[1] = geno_freq[2] = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    double p_A = a / (a + b);
    double p_B = 1 - p_A;
    if (p_A > 0.99) {
        p_A = 0.99;
        p_B = 0.01;
    }
    if (p_B > 0.99) {
        p_B = 0.99;
        p_A = 0.01;
    }
    allele_p = p_A;
    allele_q = p_B;
    geno_freq[0] = p_A * p_A;
    geno_freq[1] = p_B * (2 * p_A);
    geno_freq[2] = p_B * p_B;
    maf = p_A <= p_B ? p_A : p_B;
}
