// plink_writer.cpp -- the --plink writer.
#include "plink_writer.h"

#include <iostream>
#include <sys/stat.h>

#include "out_file.h"
#include "reference.h"
#include "site.h"

namespace {

constexpr long SHOWN_WARNINGS = 5;

// Two bits per individual, first individual in the low bits: 00 homozygous
// allele 1 (BB), 10 heterozygous, 11 homozygous allele 2 (AA), 01 missing.
unsigned bed_code(int call, copy_case k)
{
    if (k == NO_COPY || (k == ONE_COPY && call == CALL_AB)) return 1;
    switch (call) {
    case CALL_AA: return 3;
    case CALL_AB: return 2;
    case CALL_BB: return 0;
    default: return 1;
    }
}

// AA and BB exchanged, for a record whose A allele is .bim's allele 1.
int swapped(int call)
{
    return call == CALL_AA ? CALL_BB : call == CALL_BB ? CALL_AA : call;
}

class plink_writer : public result_writer {
public:
    explicit plink_writer(const std::string& prefix) : prefix_(prefix) {}
    void claim() override
    {
        bed_.claim(prefix_ + ".bed");
        bim_.claim(prefix_ + ".bim");
        fam_.claim(prefix_ + ".fam");
    }
    std::vector<const out_file*> files() const override { return {&bed_, &bim_, &fam_}; }
    void begin(const run_info& run) override;
    void write(const snp_result& r) override;
    void finish() override;

private:
    void warn(long& count, const snp_result& r, const std::string& what);

    std::string prefix_;
    out_file bed_, bim_, fam_;
    run_info run_;
    std::string row_;
    long bad_pos_ = 0, bad_chrom_ = 0, bad_allele_ = 0;
};

void plink_writer::begin(const run_info& run)
{
    std::string problem = sample_names_problem(run.samples);
    if (!problem.empty()) throw input_error(run.input + " line 1: " + problem + "; " + prefix_ + ".fam needs distinct names");
    bed_.start();
    bim_.start();
    fam_.start();
    run_ = run;
    for (size_t i = 0; i < run.samples.size(); ++i) {
        int sex = 0;
        if (i < run.gender.size()) sex = run.gender[i] == 1 ? 1 : run.gender[i] == 0 ? 2 : 0;
        fam_.write(run.samples[i] + " " + run.samples[i] + " 0 0 " + std::to_string(sex) + " -9\n");
    }
    fam_.close();
    bed_.write(std::string("\x6c\x1b\x01", 3));
    bed_.flush();
    row_.assign((run.samples.size() + 3) / 4, '\0');
}

void plink_writer::warn(long& count, const snp_result& r, const std::string& what)
{
    if (++count <= SHOWN_WARNINGS) std::cerr << "Warning : " << prefix_ << ".bim: SNP " << r.id << " " << what << "\n";
}

void plink_writer::write(const snp_result& r)
{
    if (r.calls.size() != run_.samples.size()) throw std::logic_error("snp_result without the calls the PLINK writer needs");
    site_position p = parse_position(r.position);
    site_alleles al = parse_alleles(r.allele);
    // A record's own alleles: allele 1 the ALT of a biallelic record, allele 2
    // REF; at an array site of several ALTs, allele 1 is B and allele 2 is A.
    bool swap = false;
    site_alleles_of site = r.site;
    if (site.alleles.empty() && run_.reference && al.ok) {
        ref_match how;
        site = align_to_reference(*run_.reference, p, al, how);
    }
    if (!site.alleles.empty()) {
        const std::vector<std::string>& v = site.alleles;
        const bool biallelic = v.size() == 2;
        al.ok = true;
        al.b = biallelic ? v[1] : v[site.b];
        al.a = biallelic ? v[0] : v[site.a];
        swap = biallelic && site.a == 1;
    }
    std::string chrom = p.ok ? plink_chromosome(p.chrom) : "0";
    if (!p.ok) warn(bad_pos_, r, "has position '" + r.position + "', not CHR:POS; written as chromosome 0, position 0");
    if (chrom.empty()) {
        warn(bad_chrom_, r, "is on contig '" + p.chrom + "', which plink does not know; written as chromosome 0");
        chrom = "0";
    }
    if (!al.ok) warn(bad_allele_, r, "has alleles '" + r.allele + "', not two bases; written as <B> and N");
    bim_.write(chrom + "\t" + r.id + "\t0\t" + std::to_string(p.ok ? p.pos : 0) + "\t" + (al.ok ? al.b : "<B>") +
               "\t" + (al.ok ? al.a : "N") + "\n");
    bim_.flush();
    for (char& c : row_) c = 0;
    for (size_t i = 0; i < r.calls.size(); ++i) {
        const int call = swap ? swapped(r.calls[i]) : r.calls[i];
        const unsigned code = bed_code(call, copies_of(run_, chromosome_of(run_, r), static_cast<int>(i)));
        row_[i / 4] = static_cast<char>(static_cast<unsigned char>(row_[i / 4]) | code << (2 * (i % 4)));
    }
    bed_.write(row_);
    bed_.flush();
}

void plink_writer::finish()
{
    bed_.close();
    bim_.close();
    fam_.close();
    auto report = [&](long n, const char* what) {
        if (n) std::cerr << "Warning : " << prefix_ << ".bim: " << n << " SNPs " << what << "\n";
    };
    report(bad_pos_, "with a position that is not CHR:POS (chromosome 0, position 0)");
    report(bad_chrom_, "on a contig plink does not know (chromosome 0)");
    report(bad_allele_, "with alleles that are not two bases (<B> and N)");
}

}  // namespace

std::string plink_prefix_problem(const std::string& prefix)
{
    if (prefix.empty() || prefix.back() == '/') return "--plink " + prefix + ": the prefix must end in a file name";
    size_t slash = prefix.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : prefix.substr(0, slash);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "--plink " + prefix + ": folder " + folder + " does not exist";
    return "";
}

std::unique_ptr<result_writer> make_plink_writer(const std::string& prefix)
{
    return std::make_unique<plink_writer>(prefix);
}
