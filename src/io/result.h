// result.h -- what one fitted SNP hands to the writers, and what they know of the run.
//
// The fit runs in workers, each with its own `data`; a worker copies what the
// writers need into a snp_result, and the writer side consumes results strictly
// in input order. Writers never see `data`.
#ifndef TAMSEL_IO_RESULT_H
#define TAMSEL_IO_RESULT_H

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data.h"
#include "intensity_reader.h"

class reference_genome;

// The run as a whole, known before the first SNP.
struct run_info {
    int nind = 0;
    std::vector<std::string> samples;  // sample names from the intensity header
    std::vector<int> gender;           // codes of the gender file, empty without -g
    chrom chromosome = chrom::none;    // -X, -Y, -M
    bool whole_genome = false;         // --whole-genome: each SNP's own chromosome
    bool pert = false;                 // -a: pert_score is meaningful
    std::string input;                 // intensity file as given
    std::string command_line;          // the words of the command line, blank-separated
    bool record_alleles = false;       // the input is a VCF/BCF: records keep their REF/ALT
    std::shared_ptr<const reference_genome> reference;  // --fasta-ref, else null
    bool inbred = false;               // --inbred given: the QC sample table shows F
    std::vector<double> inbred_f;      // F per individual with --inbred, else empty
};

// Index of a file in snp_result::rows and of the specified text outputs.
enum text_file { CALLS_FILE, PROBS_FILE, KMODEL_FILE, CONTRAST_FILE, N_TEXT_FILES };

// One processed SNP.
struct snp_result {
    long index = 0;                    // 0-based among the processed SNPs
    std::string console;               // its standard-output text, in order
    std::string rows[N_TEXT_FILES];    // its lines of the enabled text files, line end included
    chrom chromosome = chrom::none;    // the chromosome it was fitted as

    // The rest is filled only when a writer asks for it (VCF, PLINK, QC).
    std::string id, position, allele; // the three leading fields, as read
    site_alleles_of site;              // the input record's own alleles, when it had them
    bool fitted = false;               // false: no individual had usable intensities
    std::vector<int> calls;            // final calls per individual: 1 AA, 2 AB, 3 BB, 4 none
    std::vector<double> post;          // P(AA), P(AB), P(BB), P(NULL) per individual, of the
                                       // run whose calls were chosen; (0, 0, 0, 1) when missing
    std::vector<double> contrast;      // (B - A) / (A + B); 0 when missing
    std::vector<double> strength;      // ln(A + B); 0 when missing
    std::vector<unsigned char> usable; // 1 when the individual's intensities were usable
    double mu = 0, mu_1 = 0, mu_2 = 0; // contrast model
    int kmodel = 0;                    // 1 or 2 levels
    int run = 0;                       // chosen run, 1 or 2; 0 when not fitted
    int pos1 = -1, pos2 = -1;          // candidate starts of the two runs
    double rangec[3] = {0, 0, 0};      // candidate 7's centres
    double centre[3] = {0, 0, 0};      // contrast centres of AA, AB, BB (as in contrastmu)
    int count[3] = {0, 0, 0};          // n_AA, n_AB, n_BB (as in contrastmu)
    double hwe_p = 0;                  // Hardy-Weinberg p-value of the final calls
    double pert_score = 0;             // with -a
};

// A failed write, flush or close; what() is "could not write NAME: REASON".
struct write_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An output that cannot be created; what() is its path.
struct open_error : write_error {
    using write_error::write_error;
};

// Bad input that the run cannot go on with; what() names the file and line.
struct input_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class out_file;

// An output of the run. claim() is called for every writer of the run before
// any begin(), so that no existing file is emptied before all are known to be
// writable; begin() once before the first SNP (empties the files: out_file::start,
// and writes headers), write() once per SNP in input order, finish() once after
// the last. Each throws write_error when a file cannot be opened or written.
class result_writer {
public:
    virtual ~result_writer() = default;
    // True when the writer needs the fields of snp_result below rows[].
    virtual bool wants_details() const { return true; }
    // Claims (out_file::claim) every file the writer will write.
    virtual void claim() = 0;
    // The files claimed, so the run can refuse an output that is one of its inputs.
    virtual std::vector<const out_file*> files() const = 0;
    virtual void begin(const run_info& run) = 0;
    virtual void write(const snp_result& r) = 0;
    virtual void finish() = 0;
};

#endif
