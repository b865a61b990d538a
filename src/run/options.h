// options.h -- the settings of one run, as the command line gives them.
#ifndef TAMSEL_RUN_OPTIONS_H
#define TAMSEL_RUN_OPTIONS_H

#include <string>

#include "compression.h"
#include "data.h"
#include "vcf_writer.h"

// Defaults, shared by the option reader and the usage text.
constexpr int DEFAULT_MAX_ITER = 100;
constexpr double DEFAULT_CALL_THRESHOLD = 0.8;

struct options {
    const char* input = nullptr;
    const char* output = nullptr;
    const char* gender = nullptr;
    int first = -1, last = -1;
    int max_iter = DEFAULT_MAX_ITER;
    double call_threshold = DEFAULT_CALL_THRESHOLD;
    chrom chromosome = chrom::none;
    bool calls = false, probs = false, pert = false;
    bool kmodel = false, contrast = false, narrow_null = false;

    // Long options: none of them changes what the single-letter options produce.
    int threads = 1;           // --threads N; 0 = every core the process may use
    bool bgzip = false;        // --bgzip: BGZF-compressed outputs, ".gz" added
    bool quiet = false;        // --quiet: no progress line on a terminal
    bool stats = false;        // --stats: the run's resources on standard error at the end
    bool strict = false;       // --strict: a damaged row is an error
    bool no_simd = false;      // --no-simd: the scalar maths path
    bool qc = false;           // --qc: PREFIX_snpqc and PREFIX_sampleqc
    bool whole_genome = false; // --whole-genome: each row's chromosome from its position (needs -g)
    bool qc_part = false;      // --qc-part: also PREFIX_sampleqc.part, the sums a gather joins
    std::string vcf;           // --vcf FILE: .vcf, .vcf.gz or .bcf
    unsigned vcf_fields = VCF_ALL_FIELDS;  // --vcf-fields LIST: FORMAT tags of --vcf (vcf_field bits)
    bool vcf_fields_set = false;
    int compress_level = DEFAULT_COMPRESS_LEVEL;  // --compress-level N: BGZF level of every compressed output
    std::string plink;         // --plink PREFIX: PREFIX.bed, .bim, .fam
    std::string tag_a = "X", tag_b = "Y";  // --intensities A,B: FORMAT tags of a VCF/BCF input
    const char* index = nullptr;  // --index FILE: write FILE.tsi for -s runs, nothing else
    int index_every = 1000;       // --index-every N: rows between checkpoints of --index
    bool no_index = false;        // --no-index: -s reads from the start even when FILE.tsi exists
    std::string inbred;           // --inbred FILE: inbred samples, optionally with F each
    double inbred_f = 0.999;      // --inbred-f F: F of a listed sample without its own
    std::string fasta_ref;        // --fasta-ref FILE: VCF and PLINK alleles on this genome
    bool help = false, version = false;
};

// The version printed by --version and written into file headers.
#include "version.h"
#define TAMSEL_VERSION tamsel_version()

// Copies the settings into the state object.
void apply_options(const options& o, ::data& d);

// The worker count --threads N asks for (0: every core the process may use).
int thread_count(int asked);

#endif
