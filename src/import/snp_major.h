// snp_major.h -- a Final Report written SNP by SNP (the samples of each SNP on
// consecutive lines) streamed into tamsel's layout one row at a time: the
// first SNP's lines fix the samples and their order, and memory stays that of
// one row plus the names of the SNPs already written.
#ifndef TAMSEL_IMPORT_SNP_MAJOR_H
#define TAMSEL_IMPORT_SNP_MAJOR_H

#include <utility>
#include <vector>

#include "convert.h"

// FIRST holds the data lines already read (line number, text).
convert_stats convert_snp_major(report_source& in, const report_columns& cols, const convert_options& opt,
                                row_output& out, std::vector<std::pair<long, std::string>> first);

#endif
