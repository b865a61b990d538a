// lanes_body.h -- the loops of lanes.h; included once per instruction set by a
// file that names the namespace (LANES_NS) and is compiled with its flags.
#include <cfloat>
#include <cmath>

#include "lanes.h"

namespace LANES_NS {

void t_log_args(const double* __restrict x, const double* __restrict y, int n, const lane_component& k,
                double* __restrict out)
{
    const double m1 = k.m1, m2 = k.m2, w11 = k.w11, w21 = k.w21, w22 = k.w22, nu = k.nu;
    for (int j = 0; j < n; ++j) {
        const double d1 = x[j] - m1, d2 = y[j] - m2;
        const double r1 = d1 * w11 + d2 * w21;
        const double r2 = d1 * w21 + d2 * w22;
        out[j] = 1 + (r1 * d1 + r2 * d2) / nu;
    }
}

void affine(double* __restrict v, int n, double a, double b)
{
    for (int j = 0; j < n; ++j) v[j] = a + b * v[j];
}

void scatter_truncated(const double* __restrict v, const int* __restrict at, int n, double T,
                       double* __restrict f)
{
    if (!(T > 0)) {
        for (int j = 0; j < n; ++j) f[at[j]] = 0;
        return;
    }
    for (int j = 0; j < n; ++j) f[at[j]] = v[j] / T;
}

void null_args(const double* __restrict x, const double* __restrict y, int n, double w11, double w21,
               double w22, double c, double* __restrict out)
{
    for (int j = 0; j < n; ++j) {
        const double r1 = x[j] * w11 + y[j] * w21, r2 = x[j] * w21 + y[j] * w22;
        out[j] = -0.5 * (r1 * x[j] + r2 * y[j]) + c;
    }
}

template <bool STORE>
static void posterior_hw_loop(const double* __restrict fa, const double* __restrict fab,
                              const double* __restrict fbb, const double* __restrict dn, int n,
                              double g0, double g1, double g2, double threshold, int* __restrict calls,
                              double* __restrict term, double* __restrict probs)
{
    for (int i = 0; i < n; ++i) {
        const int c = calls[i];
        const double f = c == 1 ? fa[i] : c == 2 ? fab[i] : c == 3 ? fbb[i] : 0;
        term[i] = f != 0 ? f : dn[i];
        const double a = fa[i] * g0, b = fab[i] * g1, h = fbb[i] * g2, d = dn[i];
        const double s = ((a + b) + h) + d;
        const double P0 = a / s, P1 = b / s, P2 = h / s, P3 = d / s;
        // The first of equal largest entries wins.
        int best = 1;
        double top = P0;
        if (P1 > top) best = 2, top = P1;
        if (P2 > top) best = 3, top = P2;
        if (P3 > top) best = 4, top = P3;
        calls[i] = top > threshold ? best : 4;
        if (STORE) {
            probs[4 * i] = P0;
            probs[4 * i + 1] = P1;
            probs[4 * i + 2] = P2;
            probs[4 * i + 3] = P3;
        }
    }
}

void posterior_hw(const double* const f[3], const double* dn, int n, const double g[3], double threshold,
                  int* calls, double* term, double* probs)
{
    if (probs)
        posterior_hw_loop<true>(f[0], f[1], f[2], dn, n, g[0], g[1], g[2], threshold, calls, term, probs);
    else
        posterior_hw_loop<false>(f[0], f[1], f[2], dn, n, g[0], g[1], g[2], threshold, calls, term, nullptr);
}

void seed_args(const double* __restrict x, int n, const double m[4], const double s[4], double* __restrict out)
{
    for (int g = 0; g < 4; ++g) {
        const double mg = m[g], v = s[g] * s[g];
        double* __restrict o = out + static_cast<long>(g) * n;
        for (int i = 0; i < n; ++i) {
            const double d = x[i] - mg;
            o[i] = ((d * (-0.5)) * d) / v;
        }
    }
}

// A start spread of 0 or a truncation mass of 0 leaves no defined density.
static inline double finite_or_zero(double q) { return std::fabs(q) <= DBL_MAX ? q : 0; }

void seed_finish(const double* __restrict e, int n, const double scale[4], const double T[3], double threshold,
                 int* __restrict calls)
{
    const double* __restrict e0 = e;
    const double* __restrict e1 = e + n;
    const double* __restrict e2 = e + 2L * n;
    const double* __restrict e3 = e + 3L * n;
    const double k0 = scale[0], k1 = scale[1], k2 = scale[2], k3 = scale[3];
    const double T0 = T[0], T1 = T[1], T2 = T[2];
    for (int i = 0; i < n; ++i) {
        const double qa = finite_or_zero(e0[i] / k0 / T0);
        const double qab = finite_or_zero(e1[i] / k1 / T1);
        const double qb = finite_or_zero(e2[i] / k2 / T2);
        const double qn = e3[i] / k3;
        const double sum = ((qa + qab) + qb) + qn;
        const double P0 = qa / sum, P1 = qab / sum, P2 = qb / sum, P3 = qn / sum;
        double top = P0;
        if (P1 > top) top = P1;
        if (P2 > top) top = P2;
        if (P3 > top) top = P3;
        // The last of equal largest entries wins.
        int call = 4;
        if (P0 == top && P0 > threshold) call = 1;
        if (P1 == top && P1 > threshold) call = 2;
        if (P2 == top && P2 > threshold) call = 3;
        if (P3 == top && P3 > threshold) call = 4;
        calls[i] = call;
    }
}

const lane_kernels table = {t_log_args, affine, scatter_truncated, null_args, posterior_hw, seed_args, seed_finish};

}  // namespace LANES_NS
