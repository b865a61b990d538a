// pipeline.h -- the SNP loop on several threads: rows are read on the calling
// thread and results written on a thread of their own, in input order; workers
// decode and fit in between.
#ifndef TAMSEL_RUN_PIPELINE_H
#define TAMSEL_RUN_PIPELINE_H

#include <functional>
#include <memory>
#include <vector>

#include "intensity_reader.h"
#include "result.h"
#include "worker.h"

// The steps of a row before its fit. take fills the next job and returns false
// at the end; prepare (when set) runs on a worker, for what needs no order;
// accept sees the jobs in order on the calling thread and returns false where
// the data end, so that no job from there on is fitted.
struct row_steps {
    std::function<bool(row_job&)> take;
    std::function<void(row_job&)> prepare;
    std::function<bool(row_job&)> accept;
};

// done(result) takes the results in the order of the jobs, on one thread; with
// one worker everything runs on the calling thread. At most `window` SNPs are in flight,
// so memory stays flat however fast the rows come and however slow the writing
// is. An exception of a row's steps is thrown again after every row accepted
// before it has been written; one of done() or of a fit ends the run at once.
void run_pipeline(std::vector<std::unique_ptr<worker>>& workers, size_t window, const row_steps& rows,
                  const std::function<void(snp_result&)>& done);

#endif
