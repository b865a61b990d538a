// lanes.h -- the per-individual arithmetic of the posterior step and of the
// initial calls, written as plain loops over arrays and compiled once per
// instruction set. Every lane does the scalar code's operations in the same
// order (no contraction, no reassociation), so each value has the same bits
// as one computed alone.
#ifndef TAMSEL_LANES_H
#define TAMSEL_LANES_H

// A t component of the posterior step: centre, inverse scale matrix, nu.
struct lane_component {
    double m1, m2, w11, w21, w22, nu;
};

struct lane_kernels {
    // out[j] = 1 + (d'W)d / nu for d = (x[j], y[j]) - centre.
    void (*t_log_args)(const double* x, const double* y, int n, const lane_component& k, double* out);
    // v[j] = a + b * v[j].
    void (*affine)(double* v, int n, double a, double b);
    // f[at[j]] = v[j] / T when T > 0, else 0.
    void (*scatter_truncated)(const double* v, const int* at, int n, double T, double* f);
    // out[j] = -0.5 (x'W x) + c for the null component centred at 0.
    void (*null_args)(const double* x, const double* y, int n, double w11, double w21, double w22,
                      double c, double* out);
    // Two copies under Hardy-Weinberg weights g: the log-likelihood term of the
    // current call, then the four posteriors (into probs when not null) and the call.
    void (*posterior_hw)(const double* const f[3], const double* dn, int n, const double g[3],
                         double threshold, int* calls, double* term, double* probs);
    // The exponents of the four one-dimensional starts, four arrays of n.
    void (*seed_args)(const double* x, int n, const double m[4], const double s[4], double* out);
    // The initial calls from those exponentials: e / (root 2 pi s) / T, made
    // finite, normalised, and called with ties going to the higher code.
    void (*seed_finish)(const double* e, int n, const double scale[4], const double T[3],
                        double threshold, int* calls);
};

// The kernels for a vector path of the given lanes (4 or 8), or null when
// the build has none for it.
const lane_kernels* lanes_for(int lanes);

#endif
