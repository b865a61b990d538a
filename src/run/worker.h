// worker.h -- one fit at a time on a model state of its own.
#ifndef TAMSEL_RUN_WORKER_H
#define TAMSEL_RUN_WORKER_H

#include <memory>

#include "data.h"
#include "intensity_reader.h"
#include "options.h"
#include "result.h"

class worker {
public:
    // details: also fill the fields of snp_result that VCF, PLINK and QC read.
    worker(const options& o, const run_info& run, bool details);
    // Fits the SNP of job (whose texts and values it takes over) into r.
    void fit(row_job& job, snp_result& r);

private:
    std::unique_ptr< ::data> d_;
    bool details_;
    bool whole_genome_;
};

// True when the SNP of these A, B values has an individual to fit among the
// first nind, that is, when its fit draws perturbation deviates.
bool fitted(const std::vector<double>& ab, int nind);

#endif
