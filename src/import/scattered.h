// scattered.h -- a Final Report whose lines follow neither the samples nor the
// SNPs (each pair at most once, in any order), pivoted with bounded memory:
// records are sorted by SNP and sample in runs of the memory budget, runs
// beyond the first go to a temporary file, and the runs are merged into rows.
// Rows follow the SNPs' first appearance, columns the samples'.
#ifndef TAMSEL_IMPORT_SCATTERED_H
#define TAMSEL_IMPORT_SCATTERED_H

#include <stdexcept>

#include "convert.h"

// Thrown by the sample-block and SNP-by-SNP readers when the report leaves
// their order; the report is then read again from the start through here.
struct order_break : std::runtime_error {
    explicit order_break(const std::string& what) : std::runtime_error(what) {}
};

convert_stats convert_scattered(report_source& in, const report_columns& cols, const convert_options& opt,
                                row_output& out);

#endif
