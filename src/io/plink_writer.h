// plink_writer.h -- --plink PREFIX: PLINK 1 binary genotypes PREFIX.bed
// (SNP-major), PREFIX.bim and PREFIX.fam, written as the SNPs arrive.
//
// .bim holds the B allele as allele 1 and the A allele as allele 2 (ALT and
// REF of the VCF); chromosome codes are those plink reads (1-26, X, Y, XY, MT,
// a "chr" prefix dropped), 0 for a position that cannot be read or a contig
// plink does not know, with a warning. .fam gives each sample its name as
// family and individual ID, sex 1 for gender code 1 and 2 for code 0 when a
// gender file is given (0 otherwise), phenotype -9. A single copy has no AB,
// so its calls are homozygous; forced no calls and no calls are missing.
#ifndef TAMSEL_IO_PLINK_WRITER_H
#define TAMSEL_IO_PLINK_WRITER_H

#include <memory>
#include <string>

#include "result.h"

// Why PREFIX cannot be a --plink prefix ("" when it can): it must name a file
// (not end in '/') in a folder that exists. Touches no file.
std::string plink_prefix_problem(const std::string& prefix);

std::unique_ptr<result_writer> make_plink_writer(const std::string& prefix);

#endif
