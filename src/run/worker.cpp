// worker.cpp -- a SNP through the model, and what the writers need of its fit.
#include "worker.h"

#include <algorithm>
#include <sched.h>

#include "fit.h"
#include "format.h"
#include "site.h"

worker::worker(const options& o, const run_info& run, bool details)
    : d_(std::make_unique< ::data>()), details_(details), whole_genome_(o.whole_genome)
{
    ::data& d = *d_;
    apply_options(o, d);
    d.nind = run.nind;
    d.gender = run.gender;
    // Only a panel with somebody inbred leaves the Hardy-Weinberg weights.
    for (double F : run.inbred_f)
        if (F > 0) {
            d.inbred_f = run.inbred_f;
            break;
        }
    d.size_model();
    d.keep_probs_1 = details;
}

void apply_options(const options& o, ::data& d)
{
    d.max_iter = o.max_iter;
    d.call_threshold = o.call_threshold;
    d.chromosome = o.chromosome;
    d.write_calls = o.calls;
    d.write_probs = o.probs;
    d.write_pert = o.pert;
    d.write_kmodel = o.kmodel;
    d.write_contrast = o.contrast;
    d.narrow_null = o.narrow_null;
}

int thread_count(int asked)
{
    if (asked > 0) return asked;
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set) > 0 ? CPU_COUNT(&set) : 1;
    return 1;
}

bool fitted(const std::vector<double>& ab, int nind)
{
    const size_t n = std::min(ab.size() / 2, static_cast<size_t>(nind));
    for (size_t i = 0; i < n; ++i)
        if (usable_pair(ab[2 * i], ab[2 * i + 1])) return true;
    return false;
}

// The details of the fit in d for the VCF, PLINK and QC writers.
static void fill_details(const ::data& d, snp_result& r)
{
    const size_t n = static_cast<size_t>(d.nind);
    r.id = d.dat.SNP_id;
    r.position = d.dat.chr_position;
    r.allele = d.dat.allele;
    r.fitted = d.missing.size() < n;
    r.run = r.fitted ? d.final_call_select.back() : 0;
    if (r.fitted) {
        r.calls = d.final_calls;
        r.post = r.run == 1 ? d.probs_1 : d.probs;
    } else {
        r.calls.assign(n, CALL_NULL);
        r.post.assign(4 * n, 0.0);
        for (size_t i = 0; i < n; ++i) r.post[4 * i + 3] = 1;
    }
    // The perturbation check moves contrast and strength: take them afresh
    // from the intensities, exactly as the transform does.
    r.contrast.assign(n, 0.0);
    r.strength.assign(n, 0.0);
    r.usable.assign(n, 0);
    for (size_t i = 0; i < n && i < d.dat.vec.size(); ++i)
        r.usable[i] = transform_pair(d.dat.vec[i](1), d.dat.vec[i](2), r.contrast[i], r.strength[i]);
    r.mu = d.mu;
    r.mu_1 = d.mu_1;
    r.mu_2 = d.mu_2;
    r.kmodel = d.kmodel_choice;
    r.pos1 = d.pos1;
    r.pos2 = d.pos2;
    for (int k = 0; k < 3; ++k) r.rangec[k] = d.rangec[7][k];
    r.centre[0] = d.MU_AA(1);
    r.centre[1] = d.MU_AB(1);
    r.centre[2] = d.MU_BB(1);
    r.count[0] = d.n_AA;
    r.count[1] = d.n_AB;
    r.count[2] = d.n_BB;
    r.hwe_p = hwe_pvalue(r.calls, d.nind);
    r.pert_score = d.write_pert ? d.pert_score[0] : 0;
}

void worker::fit(row_job& job, snp_result& r)
{
    ::data& d = *d_;
    // A worker's state holds one SNP at a time: its histories hold that SNP only.
    d.snp_index = 0;
    d.final_call_select.clear();
    d.console.clear();
    d.dat.SNP_id.swap(job.id);
    d.dat.chr_position.swap(job.position);
    d.dat.allele.swap(job.allele);
    d.fill_pairs(job.ab);
    d.pert_noise.swap(job.noise);
    // Under --whole-genome each SNP is fitted as its own chromosome asks.
    if (whole_genome_) d.chromosome = chromosome_of_position(d.dat.chr_position);
    d.morvane();
    r.chromosome = d.chromosome;
    format_rows(d, r.rows);
    r.index = job.index;
    r.console.swap(job.console);
    r.site = std::move(job.site);
    r.console += d.console;
    if (details_) fill_details(d, r);
}
