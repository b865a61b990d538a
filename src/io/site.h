// site.h -- where a SNP row sits and which bases it has, as the VCF and PLINK
// writers read them from the row's position and allele text, and how many
// copies of the chromosome an individual carries.
#ifndef TAMSEL_IO_SITE_H
#define TAMSEL_IO_SITE_H

#include <string>
#include <vector>

#include "call_rules.h"
#include "result.h"

// "CHR:POS" ("1:254810", "chr10:3102907"); ok is false when the text is not a
// contig name followed by a position from 1 to 2^31 - 2 (what BCF can hold).
struct site_position {
    bool ok = false;
    std::string chrom;
    long pos = 0;
};
site_position parse_position(const std::string& text);

// The A and B alleles of "AG", "A/G", "[A/G]" or "[T/C]", in upper case; ok is
// false unless both are non-empty runs of A, C, G, T, N that differ.
struct site_alleles {
    bool ok = false;
    std::string a, b;
};
site_alleles parse_alleles(const std::string& text);

// The chromosome code plink reads for a VCF contig name: 1-26, X, Y, XY or MT,
// with a "chr" prefix dropped; "" for a name plink does not know.
std::string plink_chromosome(const std::string& chrom);

// Why SAMPLES cannot name the individuals of a VCF or .fam ("" when they
// can): a name is empty or used twice.
std::string sample_names_problem(const std::vector<std::string>& samples);

// The copy case of individual i on a SNP of chromosome c (-X/-Y/-M, or the
// row's own under --whole-genome) and its gender code; two copies when the run
// has no gender codes for it.
copy_case copies_of(const run_info& run, chrom c, int i);

// The chromosome SNP r was fitted as: the run's, or under --whole-genome its own.
inline chrom chromosome_of(const run_info& run, const snp_result& r)
{
    return run.whole_genome ? r.chromosome : run.chromosome;
}

// The chromosome a row's position text "CONTIG:POS" (or a bare contig name)
// belongs to under --whole-genome: X, chrX, 23 are X; Y, chrY, 24 are Y; MT, M,
// chrM, chrMT, 26 are MT; anything else (XY and 25 included) none.
chrom chromosome_of_position(const std::string& position);

#endif
