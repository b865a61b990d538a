// mixture.cpp -- starting state of the four-component mixture and its
// re-estimation from hard calls.
#include <algorithm>
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

namespace {

struct cluster { int code; ColumnVector* mu; SymmetricMatrix* sigma; int* count; };

// Fewer than five members keep the previous matrix: too few for a 2x2 estimate.
bool estimates_matrix(int members) { return members > 4; }

void set_matrix(SymmetricMatrix& s, double vx, double vy, double cxy)
{
    s(1, 1) = vx > 0.00001 ? vx : 0.00001;
    s(2, 2) = vy > 0.00001 ? vy : 0.00001;
    s(2, 1) = cxy;
}

// Sums of x and of y over the members listed in at[k] (n[k] of them) for the
// three clusters at once: the common length runs with six independent chains,
// then each list's rest; every chain adds in index order.
void interleaved_sums(const double* x, const double* y, int* const at[3], const int n[3], double sx[3],
                      double sy[3])
{
    const int common = std::min(n[0], std::min(n[1], n[2]));
    double a0 = 0, a1 = 0, a2 = 0, b0 = 0, b1 = 0, b2 = 0;
    for (int j = 0; j < common; ++j) {
        const int i0 = at[0][j], i1 = at[1][j], i2 = at[2][j];
        a0 += x[i0], a1 += x[i1], a2 += x[i2];
        b0 += y[i0], b1 += y[i1], b2 += y[i2];
    }
    sx[0] = a0, sx[1] = a1, sx[2] = a2, sy[0] = b0, sy[1] = b1, sy[2] = b2;
    for (int k = 0; k < 3; ++k) {
        double a = sx[k], b = sy[k];
        for (int j = common; j < n[k]; ++j) a += x[at[k][j]], b += y[at[k][j]];
        sx[k] = a, sy[k] = b;
    }
}

// The sums of squares and products about the means, the same way.
void interleaved_moments(const double* x, const double* y, int* const at[3], const int n[3], const double mx[3],
                         const double my[3], double vx[3], double vy[3], double cxy[3])
{
    for (int k = 0; k < 3; ++k) vx[k] = vy[k] = cxy[k] = 0;
    // The two longest lists side by side, then the rest of each one at a time.
    int k1 = 0, k2 = 1, k3 = 2;
    if (n[k2] > n[k1]) std::swap(k1, k2);
    if (n[k3] > n[k2]) std::swap(k2, k3);
    if (n[k2] > n[k1]) std::swap(k1, k2);
    const int common = std::min(n[k1], n[k2]);
    double v1 = 0, w1 = 0, c1 = 0, v2 = 0, w2 = 0, c2 = 0;
    const double m1x = mx[k1], m1y = my[k1], m2x = mx[k2], m2y = my[k2];
    for (int j = 0; j < common; ++j) {
        const int i1 = at[k1][j], i2 = at[k2][j];
        const double dx1 = x[i1] - m1x, dy1 = y[i1] - m1y;
        const double dx2 = x[i2] - m2x, dy2 = y[i2] - m2y;
        v1 += dx1 * dx1, w1 += dy1 * dy1, c1 += dx1 * dy1;
        v2 += dx2 * dx2, w2 += dy2 * dy2, c2 += dx2 * dy2;
    }
    vx[k1] = v1, vy[k1] = w1, cxy[k1] = c1, vx[k2] = v2, vy[k2] = w2, cxy[k2] = c2;
    for (int k = 0; k < 3; ++k) {
        const int from = k == k1 || k == k2 ? common : 0;
        double v = vx[k], w = vy[k], c = cxy[k];
        for (int j = from; j < n[k]; ++j) {
            const double dx = x[at[k][j]] - mx[k], dy = y[at[k][j]] - my[k];
            v += dx * dx, w += dy * dy, c += dx * dy;
        }
        vx[k] = v, vy[k] = w, cxy[k] = c;
    }
}

}  // namespace

void data::update_parameters()
{
    const cluster order[3] = {{CALL_AA, &MU_AA, &SIGMA_AA, &n_AA},
                              {CALL_BB, &MU_BB, &SIGMA_BB, &n_BB},
                              {CALL_AB, &MU_AB, &SIGMA_AB, &n_AB}};
    // The members of each cluster in index order, listed in one pass.
    int* at[3];
    for (int k = 0; k < 3; ++k) {
        work.members[k].resize(nind);
        at[k] = work.members[k].data();
    }
    int n0 = 0, n1 = 0, n2 = 0;
    {
        int *a0 = at[0], *a1 = at[1], *a2 = at[2];
        const int* cl = calls.data();
        for (int i = 0; i < nind; ++i) {
            const int c = cl[i];
            a0[n0] = i, n0 += c == CALL_AA;
            a1[n1] = i, n1 += c == CALL_BB;
            a2[n2] = i, n2 += c == CALL_AB;
        }
    }
    bool all_numbers = true;
    for (int i = 0; i < nind; ++i) all_numbers &= (contrast[i] == contrast[i]) & (strength[i] == strength[i]);
    const int n[3] = {n0, n1, n2};
    double a = 0, b = 0;
    maf = 0;
    for (int k = 0; k < 3; ++k) {
        *order[k].count = n[k];
        if (order[k].code == CALL_AA) a += 2 * n[k];
        if (order[k].code == CALL_BB) b += 2 * n[k];
        if (order[k].code == CALL_AB) {
            a += n[k];
            b += n[k];
        }
    }
    if (all_numbers) {
        // The sums of the three clusters side by side: six chains instead of
        // two, each still added in index order, so every value keeps its bits.
        double sx[3], sy[3];
        interleaved_sums(contrast.data(), strength.data(), at, n, sx, sy);
        double mx[3] = {0, 0, 0}, my[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            if (n[k] <= 0) continue;
            mx[k] = sx[k] / static_cast<double>(n[k]);
            my[k] = sy[k] / static_cast<double>(n[k]);
            (*order[k].mu)(1) = mx[k];
            (*order[k].mu)(2) = my[k];
        }
        double vx[3] = {0, 0, 0}, vy[3] = {0, 0, 0}, cxy[3] = {0, 0, 0};
        int m[3];
        for (int k = 0; k < 3; ++k) m[k] = estimates_matrix(n[k]) ? n[k] : 0;
        interleaved_moments(contrast.data(), strength.data(), at, m, mx, my, vx, vy, cxy);
        for (int k = 0; k < 3; ++k) {
            if (m[k] == 0) continue;
            const double d = static_cast<double>(m[k] - 1);
            set_matrix(*order[k].sigma, vx[k] / d, vy[k] / d, cxy[k] / d);
        }
    } else {
        // A value that is not a number: the statistics that leave it out.
        for (int k = 0; k < 3; ++k) {
            std::vector<double>& xs = work.member_x;
            std::vector<double>& ys = work.member_y;
            xs.resize(n[k]);
            ys.resize(n[k]);
            for (int j = 0; j < n[k]; ++j) xs[j] = contrast[at[k][j]], ys[j] = strength[at[k][j]];
            const cluster& c = order[k];
            if (n[k] > 0) {
                (*c.mu)(1) = meanvec(xs, n[k], &console);
                (*c.mu)(2) = meanvec(ys, n[k], &console);
            }
            if (estimates_matrix(n[k])) {
                // One statement each: their messages come in this order.
                const double vx = varvec(xs, (*c.mu)(1), n[k], &console);
                const double vy = varvec(ys, (*c.mu)(2), n[k], &console);
                const double cxy = covvec(xs, ys, (*c.mu)(1), (*c.mu)(2), n[k], &console);
                set_matrix(*c.sigma, vx, vy, cxy);
            }
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
