// fit.cpp -- the per-SNP fit: candidate starts, two mixture runs, the final
// call, and the optional perturbation check.
#include <algorithm>
#include <limits>

#include <boost/math/distributions/chi_squared.hpp>

#include "data.h"
#include "fit.h"
#include "inbred.h"
#include "probkit.h"

static constexpr double SENTINEL = NO_CALL_SENTINEL;

// Fills what the output reads for a SNP that nobody could be fitted in, with
// values that say so instead of the previous SNP's fit.
static void no_data_fill(::data& d)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (d.write_calls) d.final_calls.assign(d.nind, CALL_NULL);
    if (d.write_probs || d.keep_probs_1)
        for (int i = 0; i < d.nind; ++i) {
            d.probs[4 * i] = d.probs[4 * i + 1] = d.probs[4 * i + 2] = 0;
            d.probs[4 * i + 3] = 1;
        }
    if (d.write_pert) d.pert_score[d.snp_index] = 1.0;
    // 0 keeps the run history aligned with the SNP index: no run was chosen.
    d.final_call_select.push_back(0);
    d.pos1 = d.pos2 = -1;
    for (double& c : d.rangec[7]) c = nan;
    for (ColumnVector* m : {&d.MU_AA, &d.MU_AB, &d.MU_BB}) *m = nan;
    d.n_AA = d.n_AB = d.n_BB = 0;
}

// Loads candidate c as the start of a fit.
static void load_start(::data& d, int c)
{
    for (int k = 0; k < 3; ++k) {
        d.uni_mean[k] = d.rangec[c][k];
        d.uni_sd[k] = d.ranges[c][k];
    }
}

// What a fit start leaves behind after its initial calls is a pure function of
// the candidate and the SNP, so each run resumes the state its candidate
// reached while it was scored (data::starts) instead of computing it again;
// two candidates with one source (data::source) reach the same state.
using fit_start = ::data::fit_start;

// The fields of a fit's state, copied either way between data and a fit_start.
template <class From, class To>
static void copy_fit_state(const From& f, To& t)
{
    t.calls = f.calls;
    t.MU_AA = f.MU_AA;
    t.MU_AB = f.MU_AB;
    t.MU_BB = f.MU_BB;
    t.SIGMA_AA = f.SIGMA_AA;
    t.SIGMA_AB = f.SIGMA_AB;
    t.SIGMA_BB = f.SIGMA_BB;
    t.geno_freq = f.geno_freq;
    t.allele_p = f.allele_p;
    t.allele_q = f.allele_q;
    t.maf = f.maf;
    t.loglik = f.loglik;
    t.n_AA = f.n_AA;
    t.n_AB = f.n_AB;
    t.n_BB = f.n_BB;
    t.iter = f.iter;
}

static void save_start(const ::data& d, fit_start& s) { copy_fit_state(d, s); }

// After its initial calls a start's old calls equal its calls.
static void restore_state(::data& d, const fit_start& s)
{
    copy_fit_state(s, d);
    d.old_calls = s.calls;
}

// The same state as load_start, initialise_mult and initialise_calls for candidate c.
static void resume_start(::data& d, int c)
{
    load_start(d, c);
    d.initialise_mult();
    restore_state(d, d.starts[c]);
}

// An earlier candidate whose first iterations are bound to end where those of
// candidate c would: the same seeded calls, and the same centre for every
// cluster that starts empty (the only part of the start the iterations read
// besides the calls). -1 when there is none.
static int same_iterations(const ::data& d, int c, const std::vector<int> seeds[8])
{
    bool empty[3];
    for (int k = 0; k < 3; ++k)
        empty[k] = std::find(d.calls.begin(), d.calls.end(), k + 1) == d.calls.end();
    for (int e = 0; e < c; ++e) {
        if (seeds[e] != d.calls) continue;
        bool same = true;
        for (int k = 0; k < 3; ++k)
            if (empty[k] && !(d.rangec[e][k] == d.rangec[c][k])) same = false;
        if (same) return e;
    }
    return -1;
}

// The update loop shared by both runs and the perturbation re-fit: at most
// max_iter + 1 updates, at least one.
static void iterate(::data& d)
{
    d.iter = 0;
    int changed = d.update();
    while (changed == 1 && d.iter < d.max_iter) {
        ++d.iter;
        changed = d.update();
    }
    if (d.defer_loglik) d.loglik = d.sum_loglik();
}

void data::morv()
{
    iter = 0;
    if (missing.size() >= static_cast<size_t>(nind)) {
        no_data_fill(*this);
        return;
    }
    defer_loglik = true;
    initialise_univ();
    choose_best_parameters();
    resume_start(*this, pos1);
    iterate(*this);
    calls_1 = calls;
    loglik_1 = loglik;
    if (keep_probs_1) probs_1 = probs;
    if (source[pos1] == source[pos2]) {
        // Both runs start from the same state, and the update loop reads
        // nothing else of the start: run 2 would repeat run 1 step by step.
        // Only the start values, which the perturbation re-fit reads, are its own.
        load_start(*this, pos2);
    } else {
        resume_start(*this, pos2);
        iterate(*this);
    }
    calls_2 = calls;
    loglik_2 = loglik;
    choose_final_call(pos1, pos2);
    if (write_pert) perturbation();
    defer_loglik = false;
}

void data::choose_best_parameters()
{
    double s1[8] = {0}, s2[8] = {0};
    for (int c = 0; c < 8; ++c) {
        load_start(*this, c);
        initialise_mult();
        seed_calls();
        seeds[c] = calls;
        int e = same_iterations(*this, c, seeds);
        source[c] = e >= 0 ? source[e] : c;
        if (e >= 0)
            restore_state(*this, starts[e]);
        else
            first_iterations();
        save_start(*this, starts[c]);
        score_start(s1[c], s2[c]);
    }
    pick_starts(s1, s2, pos1, pos2);
}

void pick_starts(const double s1[8], const double s2[8], int& pos1, int& pos2)
{
    double m = s1[0];
    for (int c = 1; c < 8; ++c)
        if (m < s1[c]) m = s1[c];
    // Among equal best first scores the highest index wins; a score that is
    // not a number matches nothing, and candidate 0 is then taken.
    pos1 = 0;
    for (int c = 0; c < 8; ++c)
        if (s1[c] == m) pos1 = c;
    // Among equal best second scores the lowest index other than pos1 wins.
    pos2 = pos1 == 0 ? 1 : 0;
    for (int k = 0; k < 8; ++k)
        if (k != pos1 && s2[k] > s2[pos2]) pos2 = k;
}

double hwe_pvalue(const std::vector<int>& c, int nind, const std::vector<double>& f)
{
    int c_AA = 0, c_AB = 0, c_BB = 0;
    for (int i = 0; i < nind; ++i) {
        if (c[i] == CALL_AA) ++c_AA;
        if (c[i] == CALL_AB) ++c_AB;
        if (c[i] == CALL_BB) ++c_BB;
    }
    int n = c_AA + c_AB + c_BB;
    if (n == 0) return SENTINEL;
    double p = static_cast<double>(2 * c_AA + c_AB) / 2 / n;
    double q = 1 - p;
    double N = nind;
    double E_AA = p * p * N, E_AB = (2 * N) * p * q, E_BB = q * q * N;
    double X = 0;
    if (!f.empty())
        X = inbred_hwe_statistic(c_AA, c_AB, c_BB, p, f);
    else if (p > 0 && q > 0)
        X = (c_AA - E_AA) * (c_AA - E_AA) / E_AA + (c_AB - E_AB) * (c_AB - E_AB) / E_AB +
            (c_BB - E_BB) * (c_BB - E_BB) / E_BB;
    else if (p == 0)
        X = (c_BB - E_BB) * (c_BB - E_BB) / E_BB;
    else
        X = (c_AA - E_AA) * (c_AA - E_AA) / E_AA;
    // 1 - cdf, not exp(-X/2): the two part once X passes about 75, and equal
    // p-values decide between the runs.
    boost::math::chi_squared_distribution<double> chi2(2);
    return 1 - boost::math::cdf(chi2, X);
}

void data::choose_final_call(int, int)
{
    double pv_1 = hwe_pvalue(calls_1, nind, inbred_f);
    if (pv_1 == SENTINEL) loglik_1 = SENTINEL;
    double pv_2 = hwe_pvalue(calls_2, nind, inbred_f);
    if (pv_2 == SENTINEL) loglik_2 = SENTINEL;

    int run = pick_run(pv_1, pv_2, loglik_1, loglik_2);
    final_calls = run == 2 ? calls_2 : calls_1;
    final_call_select.push_back(run);
}

int pick_run(double pv_1, double pv_2, double loglik_1, double loglik_2)
{
    // A run with nobody called loses to one with calls; otherwise run 2 must
    // fit Hardy-Weinberg strictly better and be at least nearly as likely.
    if (pv_1 == SENTINEL && pv_2 > pv_1) return 2;
    if (pv_2 == SENTINEL && pv_1 > pv_2) return 1;
    if (pv_2 > pv_1 && loglik_2 > 0.9 * loglik_1) return 2;
    return 1;
}

void data::perturbation()
{
    record_probs = false;
    const bool handed = pert_noise.size() == 2 * static_cast<size_t>(nind);
    for (int i = 0; i < nind; ++i) {
        strength[i] += handed ? pert_noise[2 * i] : rnorm(&pert_mean, &pert_sd);
        contrast[i] += handed ? pert_noise[2 * i + 1] : rnorm(&pert_mean, &pert_sd);
    }
    // Unusable individuals stay at the origin.
    for (int m : missing) contrast[m] = strength[m] = 0;
    initialise_mult();
    old_calls = calls;
    pert_calls = calls;
    iterate(*this);
    int d = 0;
    for (int i = 0; i < nind; ++i)
        if (pert_calls[i] != calls[i]) ++d;
    pert_score[snp_index] = 1 - static_cast<double>(d) / nind;
    record_probs = true;
}
