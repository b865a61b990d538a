// full_table.h -- a Full Data Table (one line per SNP, SAMPLE.X and SAMPLE.Y
// columns per sample) streamed line by line into tamsel's layout.
#ifndef TAMSEL_IMPORT_FULL_TABLE_H
#define TAMSEL_IMPORT_FULL_TABLE_H

#include "convert.h"

convert_stats convert_full_table(report_source& in, const report_columns& cols, const convert_options& opt,
                                 row_output& out);

#endif
