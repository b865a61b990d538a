// pipeline.h -- the SNP loop on several threads: rows are read and results
// written on the calling thread, in input order; workers fit in between.
#ifndef TAMSEL_RUN_PIPELINE_H
#define TAMSEL_RUN_PIPELINE_H

#include <functional>
#include <memory>
#include <vector>

#include "intensity_reader.h"
#include "result.h"
#include "worker.h"

// next(job) fills the next job and returns false at the end; done(result) takes
// the results in the order of the jobs. With one worker everything runs on the
// calling thread. At most `window` SNPs are in flight, so memory stays flat
// however fast the rows come and however slow the writing is. An exception of
// next() is thrown again after every row read before it has been written; one
// of done() or of a fit ends the run at once.
void run_pipeline(std::vector<std::unique_ptr<worker>>& workers, size_t window,
                  const std::function<bool(row_job&)>& next,
                  const std::function<void(snp_result&)>& done);

#endif
