// qc_writer.h -- the quality-control tables PREFIX_snpqc and PREFIX_sampleqc.
//
// PREFIX_snpqc gets one tab-separated row per SNP as it is written;
// PREFIX_sampleqc one row per sample at finish(), from counts accumulated over
// every SNP. Missing values are "NA". The column lists are in README.md.
//
// Sex check (chromosome X only). The fit treats gender code 1 as one X copy, so
// the calls of such a sample cannot show heterozygosity; the check looks at the
// contrasts instead, which do not depend on the code. An X SNP is informative
// when its AB cluster has members (its centre is then fitted from two-copy
// individuals) and at least one homozygous cluster has members. On each
// informative SNP where a sample is usable, it counts as heterozygous-looking
// when its contrast is strictly nearer the AB centre than to the centre of
// every populated homozygous cluster, and it is expected to be so with the
// two-copy probability 2p(1 - p), p the SNP's minor allele frequency. With
// H the heterozygous-looking and E the expected count over the sample's
// informative SNPs, the ratio H / E is about 1 for two X copies and near 0 for
// one. The implied sex is unknown when E < QC_SEX_MIN_EXPECTED, male when the
// ratio is at most QC_SEX_MALE_MAX, female when at least QC_SEX_FEMALE_MIN,
// otherwise unknown. The sample is flagged when it is implied male with a code
// other than 1, or implied female with code 1.
#ifndef TAMSEL_IO_QC_WRITER_H
#define TAMSEL_IO_QC_WRITER_H

#include <memory>
#include <string>

#include "result.h"

constexpr double QC_SEX_MIN_EXPECTED = 5;
constexpr double QC_SEX_MALE_MAX = 0.2;
constexpr double QC_SEX_FEMALE_MIN = 0.5;

// Writes PREFIX_snpqc and PREFIX_sampleqc (".gz" added to each with bgzf,
// compressed with that many threads).
std::unique_ptr<result_writer> make_qc_writer(const std::string& prefix, bool bgzf, int threads);

#endif
