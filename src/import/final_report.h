// final_report.h -- a Final Report in the long layout (one line per SNP and
// sample, in blocks of one sample) pivoted into tamsel's layout (one row per
// SNP) with bounded memory.
//
// The first sample's block fixes the SNPs and their order; its table of SNP
// names, positions and allele texts stays in memory (about 100 bytes per SNP).
// Each later block is checked against it and kept as one text of " A B"
// records in that order. Blocks accumulate into a group until the group would
// pass the memory budget; a full group is written to a temporary file as rows
// (one line per SNP holding the group's samples). At the end the output rows
// are put together from the groups' rows, each group read through a window of
// budget / groups bytes. When everything fits the budget, nothing touches disk.
#ifndef TAMSEL_IMPORT_FINAL_REPORT_H
#define TAMSEL_IMPORT_FINAL_REPORT_H

#include "convert.h"

convert_stats convert_final_report(report_source& in, const report_columns& cols, const convert_options& opt,
                                   row_output& out);

#endif
