// reference.h -- the reference genome of --fasta-ref, and a SNP's alleles put
// on its strand and REF.
#ifndef TAMSEL_IO_REFERENCE_H
#define TAMSEL_IO_REFERENCE_H

#include <string>
#include <utility>
#include <vector>

#include <htslib/faidx.h>

#include "intensity_reader.h"
#include "site.h"

// An indexed FASTA (.fai; .gzi too when bgzipped), read through htslib.
class reference_genome {
public:
    reference_genome() = default;
    reference_genome(const reference_genome&) = delete;
    reference_genome& operator=(const reference_genome&) = delete;
    ~reference_genome();
    // "" when path is an indexed FASTA, else why it cannot be used.
    std::string open(const std::string& path);
    const std::string& path() const { return path_; }
    // The contigs and their lengths, in the index's order.
    const std::vector<std::pair<std::string, long>>& contigs() const { return contigs_; }
    // The len bases from 1-based pos, upper case; "" when the contig is not in
    // the genome or the bases run past its end.
    std::string bases(const std::string& chrom, long pos, size_t len) const;

private:
    faidx_t* fai_ = nullptr;
    std::string path_;
    std::vector<std::pair<std::string, long>> contigs_;
};

// How the allele text met the genome.
enum class ref_match { same, flipped, mismatch, no_base };

// The A and B alleles of the allele text at p on the genome: REF the genome's
// bases there; ALT the other allele when REF is A or B (after complementing
// both when the text is on the other strand; A/T and C/G pairs are taken to be
// on the forward strand), else ALT lists A and B (mismatch). Without a base
// there (no_base), REF is A and ALT B, as without a genome.
site_alleles_of align_to_reference(const reference_genome& g, const site_position& p, const site_alleles& al,
                                   ref_match& how);

#endif
