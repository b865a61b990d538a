// qc_writer.h -- the quality-control tables PREFIX_snpqc and PREFIX_sampleqc.
//
// PREFIX_snpqc gets one tab-separated row per SNP as it is written;
// PREFIX_sampleqc one row per sample at finish(), from counts accumulated over
// every SNP. Missing values are "NA". The column lists are in docs/output.md.
//
// Sex check (chromosome X only). The fit treats gender code 1 as one X copy, so
// the calls of such a sample cannot show heterozygosity; the check reads the
// contrasts instead, which do not depend on the code. An X SNP is informative
// when its AB cluster has members (its centre is then fitted from two-copy
// individuals) and at least one homozygous cluster has members. On each
// informative SNP where a sample is usable, it looks heterozygous when its
// contrast lies closer to the AB centre than QC_SEX_HET_REACH times the
// distance from the AB centre to the nearest populated homozygous centre; a
// two-copy sample is expected to do so with probability 2p(1 - p), p the SNP's
// minor allele frequency. With H the heterozygous-looking and E the expected
// count over the sample's informative SNPs, H / E is about 1 for two X copies
// and near 0 for one. The implied sex is unknown when E < QC_SEX_MIN_EXPECTED,
// male when H / E <= QC_SEX_MALE_MAX, female when H / E >= QC_SEX_FEMALE_MIN,
// otherwise unknown. A sample is flagged when implied male with a code other
// than 1, or implied female with code 1.
#ifndef TAMSEL_IO_QC_WRITER_H
#define TAMSEL_IO_QC_WRITER_H

#include <memory>
#include <string>

#include "compression.h"
#include "result.h"

// A quarter of the way: a dim sample with a raised background pulls its
// homozygous contrasts towards the middle, and must not look heterozygous.
constexpr double QC_SEX_HET_REACH = 0.25;
constexpr double QC_SEX_MIN_EXPECTED = 10;
constexpr double QC_SEX_MALE_MAX = 0.25;
constexpr double QC_SEX_FEMALE_MIN = 0.45;

// The expected heterozygous counts are summed in units of 2^-40, as integers,
// so that sums over row ranges add up to the sum over all rows exactly.
constexpr double QC_EXPECTED_UNIT = 1.0 / 1099511627776.0;

// Writes PREFIX_snpqc and PREFIX_sampleqc (".gz" added to each and
// BGZF-compressed with z). With part, also PREFIX_sampleqc.part
// (plain text): a line "#tamsel_sampleqc_part<TAB>snps<TAB>N<TAB>x<TAB>0|1",
// a header line, then per sample its name and the sums the table is made of
// (called, het, x_snps, x_het, x_expected in QC_EXPECTED_UNIT, gender code or
// NA), which workflow/scripts/gather.py adds up over the shards of a run.
std::unique_ptr<result_writer> make_qc_writer(const std::string& prefix, shared_compression z,
                                              bool part = false);

#endif
