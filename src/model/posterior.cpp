// posterior.cpp -- one iteration of the mixture fit: re-estimation, posteriors,
// calls, log-likelihood and the change test.
#include <algorithm>
#include <cmath>

#include <boost/math/special_functions/gamma.hpp>

#include "call_rules.h"
#include "data.h"
#include "inbred.h"
#include "probkit.h"
#include "simd.h"

double data::log_mvt_t_density2(const ColumnVector& d, const SymmetricMatrix& W, double c, int nu)
{
    double q = ((d.t() * W) * d).AsScalar();
    return (c - std::log(3.14159265 * nu)) + (-0.5 * (nu + 2)) * std::log(1 + q / nu);
}

double data::log_mvt_norm_density2(const ColumnVector& d, const SymmetricMatrix& W, double c)
{
    double q = ((d.t() * W) * d).AsScalar();
    return -0.5 * q + c;
}

namespace {

// One component prepared once per posterior step: its centre, inverse scale and
// the constant of its log-density. The per-individual work is then plain
// arithmetic in the same order as the matrix products above, (d'W)d, with no
// temporaries.
struct component {
    double m1, m2;        // centre
    double w11, w21, w22; // inverse scale matrix
    double c;             // constant part of the log-density
    bool usable;          // false when the scale matrix cannot be inverted

    double quad(double x, double y) const
    {
        double d1 = x - m1, d2 = y - m2;
        double r1 = d1 * w11 + d2 * w21;
        double r2 = d1 * w21 + d2 * w22;
        return r1 * d1 + r2 * d2;
    }
};

// A genotype matrix re-estimated from collinear members is singular; it is then
// used without its covariance, which keeps the cluster's variances and its
// members. One that is still not positive definite gives the cluster no density.
SymmetricMatrix positive_definite(const SymmetricMatrix& S, bool& ok)
{
    SymmetricMatrix M = S;
    auto pd = [](const SymmetricMatrix& A) {
        double det = A(1, 1) * A(2, 2) - A(2, 1) * A(2, 1);
        return A(1, 1) > 0 && A(2, 2) > 0 && det > 0 && std::isfinite(det);
    };
    if (!pd(M)) M(2, 1) = 0;
    ok = pd(M);
    return M;
}

component prepare(const ColumnVector& mu, const SymmetricMatrix& sigma, double lgamma_part)
{
    component k{mu(1), mu(2), 0, 0, 0, 0, false};
    bool ok;
    SymmetricMatrix S = positive_definite(sigma, ok);
    if (!ok) return k;
    // Rounding can leave a matrix that passes the test above singular to the
    // elimination that inverts it, which would throw: no density either.
    if (NEWMAT::CroutMatrix(S).IsSingular()) return k;
    SymmetricMatrix W = S.i();
    k.w11 = W(1, 1);
    k.w21 = W(2, 1);
    k.w22 = W(2, 2);
    k.c = lgamma_part - std::log(S.Determinant()) / 2;
    k.usable = true;
    return k;
}

// The contrast margin of a cluster is Student's t scaled by the root of its (1,1) entry.
double mass(const ColumnVector& mu, const SymmetricMatrix& sigma, int nu, int side)
{
    double s = std::sqrt(sigma(1, 1));
    if (side < 0) return pt((-1 - mu(1)) / s, nu, 1);
    if (side > 0) return pt((1 - mu(1)) / s, nu, 0);
    return pt((1 - mu(1)) / s, nu, 0) - pt((-1 - mu(1)) / s, nu, 0);
}

// A cluster without mass inside the contrast range cannot hold anybody.
inline double truncated(double d, double T) { return T > 0 ? d / T : 0; }

}  // namespace

// Individuals per block of the posterior step: the logarithms and exponentials
// of a block go through the vector functions together.
constexpr int BLOCK = 128;

double data::sum_loglik() const
{
    double sum = 0, l[BLOCK];
    for (int i0 = 0; i0 < nind; i0 += BLOCK) {
        const int m = std::min(BLOCK, nind - i0);
        vlog(&loglik_terms[i0], l, m);
        for (int b = 0; b < m; ++b) sum += l[b];
    }
    return sum;
}

int data::update()
{
    maf = 0;
    update_parameters();
    int light_tails = 0;
    if (maf > 0.01 && (SIGMA_AA(1, 1) > SIGMA_AB(1, 1) || SIGMA_BB(1, 1) > SIGMA_AB(1, 1))) light_tails = 1;
    return update_prob(light_tails);
}

int data::update_prob(int light_tails)
{
    const int nu = light_tails == 1 ? 20 : 6;
    using boost::math::lgamma;
    const double g_AB = lgamma(11) - lgamma(10);
    const double g_H = lgamma((nu + 2) / 2) - lgamma(nu / 2);
    const component AB = prepare(MU_AB, SIGMA_AB, g_AB);
    const component AA = prepare(MU_AA, SIGMA_AA, g_H);
    const component BB = prepare(MU_BB, SIGMA_BB, g_H);
    const SymmetricMatrix W_N = SIGMA_NULL.i();
    const double c_N = -0.5 * std::log(SIGMA_NULL.Determinant()) - std::log(6.2831853);
    const double nw11 = W_N(1, 1), nw21 = W_N(2, 1), nw22 = W_N(2, 2);

    const double T_AA = mass(MU_AA, SIGMA_AA, nu, -1);
    const double T_AB = mass(MU_AB, SIGMA_AB, 20, 0);
    const double T_BB = mass(MU_BB, SIGMA_BB, nu, 1);
    const double log_pi_20 = std::log(3.14159265 * 20), log_pi_nu = std::log(3.14159265 * nu);
    const double mAA = MU_AA(1), mAB = MU_AB(1), mBB = MU_BB(1);
    const double sqrt_AA = std::sqrt(geno_freq[0]), sqrt_BB = std::sqrt(geno_freq[2]);
    // Undefined frequencies (nobody called at the last re-estimation) leave no genotype possible.
    const bool no_freq = std::isnan(geno_freq[0]);
    const bool store = (write_probs || keep_probs_1) && record_probs;

    // The three t components in the order AA, AB, BB.
    const component* const comp[3] = {&AA, &AB, &BB};
    const int nus[3] = {nu, 20, nu};
    const double log_pi[3] = {log_pi_nu, log_pi_20, log_pi_nu};
    const double T[3] = {T_AA, T_AB, T_BB};

    loglik = 0;
    if (defer_loglik) loglik_terms.resize(nind);
    double P[4];
    // Per block: first every t density's logarithm, then every exponential (t
    // and null densities), each through one vector call; the arithmetic of each
    // individual is the same, in the same order, as one at a time.
    double arg[4 * BLOCK], val[4 * BLOCK], f3[3 * BLOCK], term[BLOCK];
    int who[3 * BLOCK];
    for (int i0 = 0; i0 < nind; i0 += BLOCK) {
        const int m = std::min(BLOCK, nind - i0);
        int n = 0;
        for (int b = 0; b < m; ++b) {
            const double x = contrast[i0 + b], y = strength[i0 + b];
            // Each genotype is possible only on its own side of the neighbouring
            // centres: AA left of the AB centre, BB right of it, AB between the
            // homozygote centres. A density the order rules zero is not computed,
            // nor one of a cluster without density.
            const bool zero[3] = {x >= mAB, mAA >= x || x >= mBB, mAB >= x};
            for (int c = 0; c < 3; ++c) {
                f3[3 * b + c] = 0;
                if (zero[c] || !comp[c]->usable) continue;
                arg[n] = 1 + comp[c]->quad(x, y) / nus[c];
                who[n++] = 3 * b + c;
            }
        }
        vlog(arg, val, n);
        // log t density with nu degrees of freedom, in the order of log_mvt_t_density2.
        for (int j = 0; j < n; ++j) {
            const int c = who[j] % 3;
            arg[j] = (comp[c]->c - log_pi[c]) + (-0.5 * (nus[c] + 2)) * val[j];
        }
        for (int b = 0; b < m; ++b) {
            const double x = contrast[i0 + b], y = strength[i0 + b];
            const double r1 = x * nw11 + y * nw21, r2 = x * nw21 + y * nw22;
            arg[n + b] = -0.5 * (r1 * x + r2 * y) + c_N;
        }
        vexp(arg, val, n + m);
        for (int j = 0; j < n; ++j) f3[who[j]] = truncated(val[j], T[who[j] % 3]);

        for (int b = 0; b < m; ++b) {
            const int i = i0 + b;
            double f_AA = f3[3 * b], f_AB = f3[3 * b + 1], f_BB = f3[3 * b + 2];
            const double d_N = val[n + b];
            double f = calls[i] == CALL_AA ? f_AA : calls[i] == CALL_AB ? f_AB : calls[i] == CALL_BB ? f_BB : 0;
            term[b] = f != 0 ? f : d_N;

            const copy_case k = chromosome == chrom::none ? TWO_COPIES : copies(chromosome, gender[i]);
            if (k == NO_COPY || no_freq) {
                P[0] = P[1] = P[2] = 0;
                P[3] = 1;
            } else {
                if (k == ONE_COPY) {
                    f_AA = f_AA * sqrt_AA;
                    f_BB = f_BB * sqrt_BB;
                    f_AB = 0;
                } else if (inbred_f.empty() || !(inbred_f[i] > 0)) {
                    f_AA = f_AA * geno_freq[0];
                    f_AB = f_AB * geno_freq[1];
                    f_BB = f_BB * geno_freq[2];
                } else {
                    double w[3];
                    inbred_weights(allele_p, allele_q, inbred_f[i], w);
                    f_AA = f_AA * w[0];
                    f_AB = f_AB * w[1];
                    f_BB = f_BB * w[2];
                }
                double s = ((f_AA + f_AB) + f_BB) + d_N;
                P[0] = f_AA / s;
                P[1] = f_AB / s;
                P[2] = f_BB / s;
                P[3] = d_N / s;
            }
            calls[i] = posterior_call(P, call_threshold);
            if (store)
                for (int j = 0; j < 4; ++j) probs[4 * i + j] = P[j];
        }
        // The log-likelihood terms are summed in index order.
        if (defer_loglik) {
            std::copy(term, term + m, loglik_terms.begin() + i0);
        } else {
            vlog(term, term, m);
            for (int b = 0; b < m; ++b) loglik += term[b];
        }
    }
    for (int k : missing) {
        calls[k] = CALL_NULL;
        if (write_probs || keep_probs_1) {
            probs[4 * k] = probs[4 * k + 1] = probs[4 * k + 2] = 0;
            probs[4 * k + 3] = 1;
        }
    }
    if (calls == old_calls) return 0;
    old_calls = calls;
    return 1;
}
