// convert.h -- what both report layouts share: options and the run's figures.
#ifndef TAMSEL_IMPORT_CONVERT_H
#define TAMSEL_IMPORT_CONVERT_H

#include <cstddef>
#include <string>

#include "layout.h"
#include "report_source.h"
#include "text_output.h"

struct convert_options {
    bool raw = false;                        // X Raw / Y Raw instead of X / Y
    size_t memory = size_t(256) << 20;       // pivot budget in bytes
};

struct convert_stats {
    long snps = 0, samples = 0;
    unsigned long long not_numbers = 0;      // values written NaN that were not a missing mark
    unsigned long long spilled = 0;          // bytes the pivot wrote to its temporary file
};

// The names of the two intensity columns (for a Full Data Table, their suffixes).
inline const char* column_a(const convert_options& o) { return o.raw ? "X Raw" : "X"; }
inline const char* column_b(const convert_options& o) { return o.raw ? "Y Raw" : "Y"; }

#endif
