// process.cpp -- what a run sets up once, and the per-SNP entry.
#include "data.h"

void data::size_model()
{
    pair.ReSize(2);
    strength.assign(nind, 0.0);
    contrast.assign(nind, 0.0);
    abs_contrast.assign(nind, 0.0);
    kprop.assign(3, 0.0);
    kclass.assign(nind, 0);
    calls.assign(nind, 0);
    old_calls.assign(nind, 0);
    record_probs = true;
    probs.assign(4 * static_cast<size_t>(nind), 0.0);
    rangec.assign(8, std::vector<double>(3, 0.0));
    ranges.assign(8, std::vector<double>(3, 0.0));
    geno_freq.assign(3, 0.0);
    for (ColumnVector* m : {&MU_AA, &MU_AB, &MU_BB, &MU_NULL}) {
        m->ReSize(2);
        *m = 0.0;
    }
    for (SymmetricMatrix* s : {&SIGMA_AA, &SIGMA_AB, &SIGMA_BB, &SIGMA_NULL}) {
        s->ReSize(2);
        *s = 0.0;
    }
    uni_mean[3] = 0;
    uni_sd[3] = 100000;
    pert_mean = 0;
    pert_sd = 0.05;
}

void data::morvane()
{
    if (write_pert) {
        pert_calls.resize(nind, 0);
        if (pert_score.size() <= static_cast<size_t>(snp_index)) pert_score.resize(snp_index + 1, 0.0);
    }
    transform_intens();
    kmodel();
    morv();
}
