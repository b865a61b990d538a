// axiom_summary.h -- a summary file of the Axiom analysis tools ("#%" lines,
// a "probeset_id" column line naming the CEL files, then rows ID-A and ID-B
// with the A and B signal of probeset ID in each sample) streamed into
// tamsel's layout. A row is written when its partner arrives, so adjacent
// A/B rows need no memory beyond one row; rows without a partner
// (copy-number and DQC probes) are skipped and counted.
#ifndef TAMSEL_IMPORT_AXIOM_SUMMARY_H
#define TAMSEL_IMPORT_AXIOM_SUMMARY_H

#include "convert.h"

convert_stats convert_axiom_summary(report_source& in, const report_columns& cols, const convert_options& opt,
                                    row_output& out);

#endif
