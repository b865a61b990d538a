// posterior.cpp -- one iteration of the mixture fit: re-estimation, posteriors,
// calls, log-likelihood and the change test.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <boost/math/special_functions/gamma.hpp>

#include "call_rules.h"
#include "data.h"
#include "inbred.h"
#include "probkit.h"
#include "lanes.h"
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

// The sum of log(t[i]) for i < n, in index order.
static double sum_of_logs(const double* t, int n)
{
    double sum = 0, l[BLOCK];
    for (int i0 = 0; i0 < n; i0 += BLOCK) {
        const int m = std::min(BLOCK, n - i0);
        vlog(t + i0, l, m);
        for (int b = 0; b < m; ++b) sum += l[b];
    }
    return sum;
}

double data::sum_loglik() const { return sum_of_logs(loglik_terms.data(), nind); }

int data::update()
{
    maf = 0;
    update_parameters();
    int light_tails = 0;
    if (maf > 0.01 && (SIGMA_AA(1, 1) > SIGMA_AB(1, 1) || SIGMA_BB(1, 1) > SIGMA_AB(1, 1))) light_tails = 1;
    return update_prob(light_tails);
}

// Indexes 0..n-1 ordered by c (no NaN in it) with a stable least-significant-
// digit radix sort of the values' bits: no comparison, so no mispredicted
// branch per pair; digits that every value shares are skipped.
static void radix_order(const double* c, size_t n, ::data::fit_work& w)
{
    std::vector<std::uint64_t>& key = w.keys;
    std::vector<std::uint64_t>& key2 = w.keys2;
    std::vector<int>& idx = w.order;
    std::vector<int>& idx2 = w.order2;
    key.resize(n), key2.resize(n), idx.resize(n), idx2.resize(n);
    static_assert(sizeof(double) == sizeof(std::uint64_t), "64-bit doubles");
    std::uint32_t count[8][256] = {};
    for (size_t i = 0; i < n; ++i) {
        std::uint64_t k;
        std::memcpy(&k, c + i, 8);
        // Negative values reversed below the positive ones: unsigned order is then numeric order.
        k = (k >> 63) ? ~k : k | (std::uint64_t(1) << 63);
        key[i] = k;
        idx[i] = static_cast<int>(i);
        for (int d = 0; d < 8; ++d) ++count[d][(k >> (8 * d)) & 255];
    }
    for (int d = 0; d < 8; ++d) {
        std::uint32_t* h = count[d];
        if (n == 0 || h[(key[0] >> (8 * d)) & 255] == n) continue;
        std::uint32_t at = 0;
        for (int b = 0; b < 256; ++b) {
            const std::uint32_t m = h[b];
            h[b] = at;
            at += m;
        }
        for (size_t i = 0; i < n; ++i) {
            const std::uint32_t to = h[(key[i] >> (8 * d)) & 255]++;
            key2[to] = key[i];
            idx2[to] = idx[i];
        }
        key.swap(key2);
        idx.swap(idx2);
    }
}

// The individuals sorted by contrast, kept across the updates of a fit: the
// sort is redone only when the contrasts or strengths change. False when a
// contrast is not a number and so has no place in the order.
static bool sort_by_contrast(::data& d)
{
    ::data::fit_work& w = d.work;
    const size_t n = static_cast<size_t>(d.nind), bytes = n * sizeof(double);
    if (w.seen_x.size() == n && std::memcmp(w.seen_x.data(), d.contrast.data(), bytes) == 0 &&
        std::memcmp(w.seen_y.data(), d.strength.data(), bytes) == 0)
        return w.sortable;
    w.null_ready = false;
    w.seen_x.assign(d.contrast.begin(), d.contrast.begin() + n);
    w.seen_y.assign(d.strength.begin(), d.strength.begin() + n);
    w.sortable = std::none_of(w.seen_x.begin(), w.seen_x.end(), [](double v) { return v != v; });
    if (!w.sortable) return false;
    radix_order(w.seen_x.data(), n, w);
    w.x.resize(n);
    w.y.resize(n);
    for (size_t j = 0; j < n; ++j) {
        w.x[j] = w.seen_x[w.order[j]];
        w.y[j] = w.seen_y[w.order[j]];
    }
    return true;
}

namespace {

// What the densities of one posterior step need.
struct step {
    const component* comp[3];
    int nu[3];
    double log_pi[3], T[3];
    double mAA, mAB, mBB;
    double nw11, nw21, nw22, c_N;
};

// The densities one block of individuals at a time, in index order.
void densities_by_block(const ::data& d, const step& s, ::data::fit_work& w)
{
    double arg[4 * BLOCK], val[4 * BLOCK];
    int who[3 * BLOCK];
    w.null_ready = false;
    for (int i0 = 0; i0 < d.nind; i0 += BLOCK) {
        const int m = std::min(BLOCK, d.nind - i0);
        int n = 0;
        for (int b = 0; b < m; ++b) {
            const int i = i0 + b;
            const double x = d.contrast[i], y = d.strength[i];
            // Each genotype is possible only on its own side of the neighbouring
            // centres: AA left of the AB centre, BB right of it, AB between the
            // homozygote centres. A density the order rules zero is not computed,
            // nor one of a cluster without density.
            const bool zero[3] = {x >= s.mAB, s.mAA >= x || x >= s.mBB, s.mAB >= x};
            for (int c = 0; c < 3; ++c) {
                w.f[c][i] = 0;
                if (zero[c] || !s.comp[c]->usable) continue;
                arg[n] = 1 + s.comp[c]->quad(x, y) / s.nu[c];
                who[n++] = 3 * i + c;
            }
        }
        vlog(arg, val, n);
        // log t density with nu degrees of freedom, in the order of log_mvt_t_density2.
        for (int j = 0; j < n; ++j) {
            const int c = who[j] % 3;
            arg[j] = (s.comp[c]->c - s.log_pi[c]) + (-0.5 * (s.nu[c] + 2)) * val[j];
        }
        for (int b = 0; b < m; ++b) {
            const double x = d.contrast[i0 + b], y = d.strength[i0 + b];
            const double r1 = x * s.nw11 + y * s.nw21, r2 = x * s.nw21 + y * s.nw22;
            arg[n + b] = -0.5 * (r1 * x + r2 * y) + s.c_N;
        }
        vexp(arg, val, n + m);
        for (int j = 0; j < n; ++j) w.f[who[j] % 3][who[j] / 3] = truncated(val[j], s.T[who[j] % 3]);
        for (int b = 0; b < m; ++b) w.dn[i0 + b] = val[n + b];
    }
}

// The same densities in vector lanes: with the individuals sorted by contrast
// the ones each order rule leaves form one run, computed without a gap.
void densities_by_run(const ::data& d, const step& s, ::data::fit_work& w, const lane_kernels& L)
{
    const int n = d.nind;
    const double* x = w.x.data();
    const double* end = x + n;
    // Runs in the sorted order of the individuals the rules of densities_by_block leave.
    const double mAA = s.mAA, mAB = s.mAB, mBB = s.mBB;
    const int aa_end = static_cast<int>(std::partition_point(x, end, [=](double v) { return !(v >= mAB); }) - x);
    const int ab_lo = static_cast<int>(std::partition_point(x, end, [=](double v) { return mAA >= v; }) - x);
    const int ab_hi = static_cast<int>(std::partition_point(x, end, [=](double v) { return !(v >= mBB); }) - x);
    const int bb_lo = static_cast<int>(std::partition_point(x, end, [=](double v) { return mAB >= v; }) - x);
    const int lo[3] = {0, ab_lo, bb_lo}, hi[3] = {aa_end, std::max(ab_lo, ab_hi), n};
    double* t = w.scratch.data();
    for (int c = 0; c < 3; ++c) {
        std::fill(w.f[c].begin(), w.f[c].end(), 0.0);
        const component& k = *s.comp[c];
        const int m = hi[c] - lo[c];
        if (!k.usable || m <= 0) continue;
        const lane_component lc{k.m1, k.m2, k.w11, k.w21, k.w22, static_cast<double>(s.nu[c])};
        L.t_log_args(x + lo[c], w.y.data() + lo[c], m, lc, t);
        vlog(t, t, m);
        L.affine(t, m, k.c - s.log_pi[c], -0.5 * (s.nu[c] + 2));
        vexp(t, t, m);
        L.scatter_truncated(t, w.order.data() + lo[c], m, s.T[c], w.f[c].data());
    }
    // The null component is fixed during a fit: its densities are kept until
    // the individuals or its matrix change.
    const double key[4] = {s.nw11, s.nw21, s.nw22, s.c_N};
    if (w.null_ready && std::memcmp(key, w.null_key, sizeof key) == 0) return;
    L.null_args(d.contrast.data(), d.strength.data(), n, s.nw11, s.nw21, s.nw22, s.c_N, w.dn.data());
    vexp(w.dn.data(), w.dn.data(), n);
    std::memcpy(w.null_key, key, sizeof key);
    w.null_ready = true;
}

}  // namespace

int data::update_prob(int light_tails)
{
    const int nu = light_tails == 1 ? 20 : 6;
    using boost::math::lgamma;
    // Constants of the t densities, for the two tail weights.
    static const double g_AB = lgamma(11) - lgamma(10);
    static const double g_H6 = lgamma((6 + 2) / 2) - lgamma(6 / 2);
    static const double g_H20 = lgamma((20 + 2) / 2) - lgamma(20 / 2);
    const double g_H = nu == 20 ? g_H20 : g_H6;
    const component AB = prepare(MU_AB, SIGMA_AB, g_AB);
    const component AA = prepare(MU_AA, SIGMA_AA, g_H);
    const component BB = prepare(MU_BB, SIGMA_BB, g_H);
    const SymmetricMatrix W_N = SIGMA_NULL.i();

    step st;
    st.c_N = -0.5 * std::log(SIGMA_NULL.Determinant()) - std::log(6.2831853);
    st.nw11 = W_N(1, 1), st.nw21 = W_N(2, 1), st.nw22 = W_N(2, 2);
    // The three t components in the order AA, AB, BB.
    st.comp[0] = &AA, st.comp[1] = &AB, st.comp[2] = &BB;
    st.nu[0] = nu, st.nu[1] = 20, st.nu[2] = nu;
    const double log_pi_20 = std::log(3.14159265 * 20), log_pi_nu = std::log(3.14159265 * nu);
    st.log_pi[0] = log_pi_nu, st.log_pi[1] = log_pi_20, st.log_pi[2] = log_pi_nu;
    st.T[0] = mass(MU_AA, SIGMA_AA, nu, -1);
    st.T[1] = mass(MU_AB, SIGMA_AB, 20, 0);
    st.T[2] = mass(MU_BB, SIGMA_BB, nu, 1);
    st.mAA = MU_AA(1), st.mAB = MU_AB(1), st.mBB = MU_BB(1);
    const double sqrt_AA = std::sqrt(geno_freq[0]), sqrt_BB = std::sqrt(geno_freq[2]);
    // Undefined frequencies (nobody called at the last re-estimation) leave no genotype possible.
    const bool no_freq = std::isnan(geno_freq[0]);
    const bool store = (write_probs || keep_probs_1) && record_probs;

    fit_work& w = work;
    for (auto& f : w.f) f.resize(nind);
    w.dn.resize(nind);
    w.term.resize(nind);
    w.scratch.resize(4 * static_cast<size_t>(nind));
    const lane_kernels* L = lanes_for(simd_lanes());
    if (L && sort_by_contrast(*this))
        densities_by_run(*this, st, w, *L);
    else
        densities_by_block(*this, st, w);

    if (L && chromosome == chrom::none && inbred_f.empty() && !no_freq) {
        const double* f[3] = {w.f[0].data(), w.f[1].data(), w.f[2].data()};
        L->posterior_hw(f, w.dn.data(), nind, geno_freq.data(), call_threshold, calls.data(), w.term.data(),
                        store ? probs.data() : nullptr);
    } else {
        double P[4];
        for (int i = 0; i < nind; ++i) {
            double f_AA = w.f[0][i], f_AB = w.f[1][i], f_BB = w.f[2][i];
            const double d_N = w.dn[i];
            double f = calls[i] == CALL_AA ? f_AA : calls[i] == CALL_AB ? f_AB : calls[i] == CALL_BB ? f_BB : 0;
            w.term[i] = f != 0 ? f : d_N;

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
                    double wt[3];
                    inbred_weights(allele_p, allele_q, inbred_f[i], wt);
                    f_AA = f_AA * wt[0];
                    f_AB = f_AB * wt[1];
                    f_BB = f_BB * wt[2];
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
    }
    // The log-likelihood terms are summed in index order.
    loglik = 0;
    if (defer_loglik)
        loglik_terms.swap(w.term);
    else
        loglik = sum_of_logs(w.term.data(), nind);
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
