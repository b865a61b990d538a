// vcf_writer.cpp -- the --vcf writer: one VCF/BCF record per SNP, the header
// written last in front of the records (see vcf_writer.h).
#include "vcf_writer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include "out_file.h"
#include "reference.h"
#include "site.h"
#include "spool.h"

#include "version.h"

namespace {

enum class vcf_kind { unknown, text, text_gz, bcf };

bool ends_with(const std::string& s, const std::string& suffix)
{
    return s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

vcf_kind kind_of(const std::string& path)
{
    if (ends_with(path, ".vcf.gz")) return vcf_kind::text_gz;
    if (ends_with(path, ".vcf")) return vcf_kind::text;
    if (ends_with(path, ".bcf")) return vcf_kind::bcf;
    return vcf_kind::unknown;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Warnings of one kind printed one by one; the rest only counted at the end.
constexpr long SHOWN_WARNINGS = 5;

const char* const ALLELE_NOTE =
    "##tamselAlleles=REF and ALT are the array's A and B alleles as given in the intensity file, not the reference genome's alleles";
const char* const RECORD_ALLELE_HEADER[] = {
    "##tamselAlleles=REF and ALT are the input records' own, or REF the reference genome's base; INFO ALLELE_A and ALLELE_B give the indexes of the array's A and B alleles among them (records without them: REF and ALT are the A and B alleles of the allele text)",
    "##INFO=<ID=ALLELE_A,Number=1,Type=Integer,Description=\"Index of the array's A allele among REF and ALT\">",
    "##INFO=<ID=ALLELE_B,Number=1,Type=Integer,Description=\"Index of the array's B allele among REF and ALT\">",
};
const char* const REFERENCE_HEADER[] = {
    "##INFO=<ID=REFMISMATCH,Number=0,Type=Flag,Description=\"REF is the reference genome's, which is neither array allele on either strand; ALT lists both\">",
    "##INFO=<ID=NOREF,Number=0,Type=Flag,Description=\"The reference genome has no base at this position; REF is the array's A allele\">",
};
const char* const INFO_HEADER[] = {
    "##INFO=<ID=MU,Number=1,Type=Float,Description=\"Mean absolute contrast\">",
    "##INFO=<ID=MU1,Number=1,Type=Float,Description=\"Mean absolute contrast of the lower level of the level model\">",
    "##INFO=<ID=MU2,Number=1,Type=Float,Description=\"Mean absolute contrast of the upper level of the level model\">",
    "##INFO=<ID=KMODEL,Number=1,Type=Integer,Description=\"Levels of the chosen level model, 1 or 2; 0 when nobody was usable\">",
    "##INFO=<ID=RUN,Number=1,Type=Integer,Description=\"Fit run whose calls and posteriors are given, 1 or 2; 0 when nobody was usable\">",
    "##INFO=<ID=POS1,Number=1,Type=Integer,Description=\"Starting candidate (0-7) of the first fit run; -1 when nobody was usable\">",
    "##INFO=<ID=POS2,Number=1,Type=Integer,Description=\"Starting candidate (0-7) of the second fit run; -1 when nobody was usable\">",
    "##INFO=<ID=RANGEC,Number=3,Type=Float,Description=\"Range-spanning starting centres (low, mid, high) of candidate 7\">",
    "##INFO=<ID=CENTRE,Number=3,Type=Float,Description=\"Contrast centres of the AA, AB and BB clusters at the last re-estimation\">",
    "##INFO=<ID=NCLUST,Number=3,Type=Integer,Description=\"Members of the AA, AB and BB clusters at the last re-estimation\">",
    "##INFO=<ID=HWE,Number=1,Type=Float,Description=\"Hardy-Weinberg p-value of the calls given\">",
    "##INFO=<ID=CR,Number=1,Type=Float,Description=\"Call rate: fraction of individuals with a call\">",
};
const char* const PERT_HEADER =
    "##INFO=<ID=PERT,Number=1,Type=Float,Description=\"Fraction of calls unchanged by a re-fit on jittered intensities; CENTRE and NCLUST are that re-fit's\">";
const char* const FLAG_HEADER[] = {
    "##INFO=<ID=BADPOS,Number=0,Type=Flag,Description=\"The position text was not CHR:POS; CHROM is 0 and POS 1\">",
    "##INFO=<ID=BADALLELE,Number=0,Type=Flag,Description=\"The allele text was not two different runs of bases; REF is N and ALT <B>\">",
    "##ALT=<ID=B,Description=\"The array's B allele, whose bases could not be read\">",
};
// One line per vcf_field, in its bit order.
const char* const FORMAT_TAG[] = {"GT", "GP", "PNULL", "CONTRAST", "STRENGTH"};
const char* const FORMAT_HEADER[] = {
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype; haploid for a single copy, missing where no call is possible\">",
    "##FORMAT=<ID=GP,Number=G,Type=Float,Description=\"Posterior probabilities of AA, AB, BB (of A, B for a single copy) of the fit run given; missing for a no call\">",
    "##FORMAT=<ID=PNULL,Number=1,Type=Float,Description=\"Posterior probability of the null (no-call) cluster\">",
    "##FORMAT=<ID=CONTRAST,Number=1,Type=Float,Description=\"(B - A) / (A + B), 4 significant digits; missing when the intensities were unusable\">",
    "##FORMAT=<ID=STRENGTH,Number=1,Type=Float,Description=\"ln(A + B), 4 significant digits; missing when the intensities were unusable\">",
};
constexpr int N_FORMAT_TAGS = 5;

float real(double x)
{
    float f;
    if (std::isfinite(x)) f = static_cast<float>(x);
    else bcf_float_set_missing(f);
    return f;
}

// x to 4 significant digits, the value the text files print ("%.4g"). Scaling
// by an exact power of ten instead of printing keeps this off the profile of a
// writer that runs six times per individual; only a scaled value within a hair
// of a rounding tie, where the scaling's own rounding could decide, and
// magnitudes beyond the exact powers are printed.
double four_digits_value(double x)
{
    static const double p10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int top = static_cast<int>(sizeof p10 / sizeof p10[0]) - 1;
    if (!std::isfinite(x) || x == 0) return x;
    const double a = std::fabs(x);
    int e2;
    std::frexp(a, &e2);
    // a < 2^e2, so its decimal exponent is this estimate or one more.
    int shift = 3 - static_cast<int>(std::floor((e2 - 1) * 0.30102999566398120));
    auto scaled = [&](int s) { return s >= 0 ? a * p10[s] : a / p10[-s]; };
    double y = shift >= -top && shift <= top ? scaled(shift) : 0;
    if (y >= 1e4) y = --shift >= -top ? scaled(shift) : 0;
    const double frac = y - std::floor(y);
    if (y != 0 && shift <= top && std::fabs(frac - 0.5) > 1e-6) {
        const double m = std::nearbyint(y);
        return std::copysign(shift >= 0 ? m / p10[shift] : m * p10[-shift], x);
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, x, std::chars_format::general, 4);
    *r.ptr = '\0';
    return std::strtod(buf, nullptr);
}

float four_digits(double x) { return real(four_digits_value(x)); }

class vcf_writer : public result_writer {
public:
    vcf_writer(const std::string& path, shared_compression z, unsigned fields)
        : path_(path), kind_(kind_of(path)), z_(z ? std::move(z) : std::make_shared<compression>()),
          fields_(fields | VCF_GT) {}
    ~vcf_writer() override
    {
        if (body_) hts_close(body_);
        if (spool_ >= 0) ::close(spool_);
        if (rec_) bcf_destroy(rec_);
        if (hdr_) bcf_hdr_destroy(hdr_);
    }
    void claim() override { out_.claim(path_); }
    std::vector<const out_file*> files() const override { return {&out_}; }
    void begin(const run_info& run) override;
    void write(const snp_result& r) override;
    void finish() override;

private:
    [[noreturn]] void fail(int err, const std::string& what = "");
    // htslib's header and record calls fail only for want of memory.
    void check(int rc) { if (rc < 0) fail(ENOMEM); }
    int contig(const std::string& name);
    void info(const snp_result& r, bool bad_pos, bool bad_allele);
    void genotypes(const snp_result& r, const site_alleles_of& site);
    void warn(long& count, const snp_result& r, const std::string& what);
    void write_header();
    void append_records();

    std::string path_;
    vcf_kind kind_;
    // Declared before body_, whose blocks may be queued on its pool.
    shared_compression z_;
    unsigned fields_;
    out_file out_;
    run_info run_;
    bcf_hdr_t* hdr_ = nullptr;
    bcf1_t* rec_ = nullptr;
    htsFile* body_ = nullptr;
    int spool_ = -1;
    long bad_pos_ = 0, bad_allele_ = 0, ref_mismatch_ = 0, no_ref_ = 0;
    std::vector<int32_t> gt_;
    std::vector<float> gp_, pnull_, contrast_, strength_;
};

void vcf_writer::fail(int err, const std::string& what)
{
    throw write_error("could not write " + path_ + ": " + (what.empty() ? std::strerror(err) : what));
}

void vcf_writer::begin(const run_info& run)
{
    run_ = run;
    std::string problem = sample_names_problem(run.samples);
    if (!problem.empty()) throw input_error(run.input + " line 1: " + problem + "; " + path_ + " needs distinct names");
    out_.start();
    hdr_ = bcf_hdr_init("w");
    rec_ = bcf_init();
    if (!hdr_ || !rec_) fail(ENOMEM);
    check(bcf_hdr_set_version(hdr_, "VCFv4.3"));
    check(bcf_hdr_append(hdr_, ("##source=tamsel " + std::string(tamsel_version())).c_str()));
    std::string command = run.command_line;
    for (char& c : command)
        if (c == '\n' || c == '\r') c = ' ';
    check(bcf_hdr_append(hdr_, ("##tamselCommand=" + command).c_str()));
    if (run.reference) {
        check(bcf_hdr_append(hdr_, ("##reference=" + run.reference->path()).c_str()));
        for (const auto& c : run.reference->contigs())
            check(bcf_hdr_printf(hdr_, "##contig=<ID=%s,length=%ld>", c.first.c_str(), c.second));
        for (const char* line : REFERENCE_HEADER) check(bcf_hdr_append(hdr_, line));
    }
    if (run.record_alleles || run.reference)
        for (const char* line : RECORD_ALLELE_HEADER) check(bcf_hdr_append(hdr_, line));
    else
        check(bcf_hdr_append(hdr_, ALLELE_NOTE));
    for (const char* line : INFO_HEADER) check(bcf_hdr_append(hdr_, line));
    if (run.pert) check(bcf_hdr_append(hdr_, PERT_HEADER));
    for (const char* line : FLAG_HEADER) check(bcf_hdr_append(hdr_, line));
    for (int k = 0; k < N_FORMAT_TAGS; ++k)
        if (fields_ & (1u << k)) check(bcf_hdr_append(hdr_, FORMAT_HEADER[k]));
    for (const std::string& s : run.samples) check(bcf_hdr_add_sample(hdr_, s.c_str()));
    check(bcf_hdr_sync(hdr_));

    struct stat st;
    bool regular = fstat(out_.fd(), &st) == 0 && S_ISREG(st.st_mode);
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = regular ? folder_of(path_) : tmp && *tmp ? tmp : "/tmp";
    spool_ = open_spool(folder);
    if (spool_ < 0) {
        int err = errno;
        fail(err, "could not make a temporary file in " + folder + ": " + std::strerror(err));
    }
    int fd = dup(spool_);
    hFILE* h = fd >= 0 ? hdopen(fd, "w") : nullptr;
    if (!h) {
        if (fd >= 0) ::close(fd);
        fail(errno);
    }
    const std::string mode = kind_ == vcf_kind::bcf ? z_->mode("wb") : kind_ == vcf_kind::text_gz ? z_->mode("wz") : "w";
    body_ = hts_hopen(h, path_.c_str(), mode.c_str());
    if (!body_) {
        hclose_abruptly(h);
        fail(errno ? errno : EIO);
    }
    if (z_->pool() && kind_ == vcf_kind::bcf) {
        htsThreadPool pool = {z_->pool(), 0};
        check(hts_set_thread_pool(body_, &pool));
    } else if (z_->pool() && kind_ == vcf_kind::text_gz) {
        // On a text file htslib would set up a SAM reading state that its
        // close never frees: the pool goes on the BGZF stream itself.
        BGZF* z = body_->is_bgzf ? body_->fp.bgzf : nullptr;
        check(z ? bgzf_thread_pool(z, z_->pool(), 0) : -1);
    }
    size_t n = run.samples.size();
    gt_.resize(2 * n);
    gp_.resize(3 * n);
    pnull_.resize(n);
    contrast_.resize(n);
    strength_.resize(n);
}

int vcf_writer::contig(const std::string& name)
{
    int id = bcf_hdr_name2id(hdr_, name.c_str());
    if (id >= 0) return id;
    // A new contig joins the header in order of first appearance.
    check(bcf_hdr_printf(hdr_, "##contig=<ID=%s>", name.c_str()));
    check(bcf_hdr_sync(hdr_));
    return bcf_hdr_name2id(hdr_, name.c_str());
}

void vcf_writer::warn(long& count, const snp_result& r, const std::string& what)
{
    if (++count <= SHOWN_WARNINGS) std::cerr << "Warning : " << path_ << ": SNP " << r.id << " " << what << "\n";
}

void vcf_writer::write(const snp_result& r)
{
    size_t n = run_.samples.size();
    if (r.calls.size() != n || r.post.size() != 4 * n || r.contrast.size() != n || r.strength.size() != n ||
        r.usable.size() != n)
        throw std::logic_error("snp_result without the details the VCF writer needs");
    site_position p = parse_position(r.position);
    bool own = !r.site.alleles.empty();
    site_alleles al = own ? site_alleles{true, "", ""} : parse_alleles(r.allele);
    site_alleles_of site = r.site;
    bool mismatch = false, no_ref = false;
    if (run_.reference && own) {
        // A record's own REF is checked against the genome, never changed.
        const std::string& ref = site.alleles[0];
        mismatch = p.ok && run_.reference->bases(p.chrom, p.pos, ref.size()) != ref;
    } else if (run_.reference && al.ok) {
        ref_match how;
        site = align_to_reference(*run_.reference, parse_position(r.position), al, how);
        own = true;
        mismatch = how == ref_match::mismatch;
        no_ref = how == ref_match::no_base;
    }
    if (mismatch)
        warn(ref_mismatch_, r, own && !r.site.alleles.empty() ? "has a REF that is not the reference genome's base; flag REFMISMATCH"
                                                              : "has alleles that are not the reference genome's base on either strand; flag REFMISMATCH");
    if (no_ref) warn(no_ref_, r, "is at a position the reference genome lacks; REF is the A allele, flag NOREF");
    if (!p.ok) warn(bad_pos_, r, "has position '" + r.position + "', not CHR:POS; written as CHROM 0, POS 1, flag BADPOS");
    if (!al.ok) warn(bad_allele_, r, "has alleles '" + r.allele + "', not two bases; written as REF N, ALT <B>, flag BADALLELE");

    bcf_clear(rec_);
    rec_->rid = contig(p.ok ? p.chrom : "0");
    // POS 1, not 0: htslib's indexers refuse position 0 even where records are sorted.
    rec_->pos = p.ok ? p.pos - 1 : 0;
    bcf_float_set_missing(rec_->qual);
    check(bcf_update_id(hdr_, rec_, r.id.c_str()));
    if (own) {
        std::vector<const char*> list;
        for (const std::string& a : site.alleles) list.push_back(a.c_str());
        check(bcf_update_alleles(hdr_, rec_, list.data(), static_cast<int>(list.size())));
    } else {
        check(bcf_update_alleles_str(hdr_, rec_, al.ok ? (al.a + "," + al.b).c_str() : "N,<B>"));
    }
    info(r, !p.ok, !al.ok);
    if (mismatch) check(bcf_update_info_flag(hdr_, rec_, "REFMISMATCH", nullptr, 1));
    if (no_ref) check(bcf_update_info_flag(hdr_, rec_, "NOREF", nullptr, 1));
    if (own) {
        const int32_t a = site.a, b = site.b;
        check(bcf_update_info_int32(hdr_, rec_, "ALLELE_A", &a, 1));
        check(bcf_update_info_int32(hdr_, rec_, "ALLELE_B", &b, 1));
    }
    genotypes(r, own ? site : site_alleles_of{{"", ""}, 0, 1});
    errno = 0;
    if (bcf_write(body_, hdr_, rec_) < 0) fail(errno ? errno : EIO);
}

void vcf_writer::info(const snp_result& r, bool bad_pos, bool bad_allele)
{
    auto put_real = [&](const char* tag, const double* v, int k) {
        float f[3];
        for (int j = 0; j < k; ++j) f[j] = real(v[j]);
        check(bcf_update_info_float(hdr_, rec_, tag, f, k));
    };
    auto put_int = [&](const char* tag, const int* v, int k) {
        int32_t x[3];
        for (int j = 0; j < k; ++j) x[j] = v[j];
        check(bcf_update_info_int32(hdr_, rec_, tag, x, k));
    };
    put_real("MU", &r.mu, 1);
    put_real("MU1", &r.mu_1, 1);
    put_real("MU2", &r.mu_2, 1);
    put_int("KMODEL", &r.kmodel, 1);
    put_int("RUN", &r.run, 1);
    put_int("POS1", &r.pos1, 1);
    put_int("POS2", &r.pos2, 1);
    put_real("RANGEC", r.rangec, 3);
    put_real("CENTRE", r.centre, 3);
    put_int("NCLUST", r.count, 3);
    put_real("HWE", &r.hwe_p, 1);
    long called = 0;
    for (int c : r.calls) called += c != CALL_NULL;
    double rate = r.calls.empty() ? NAN : static_cast<double>(called) / static_cast<double>(r.calls.size());
    put_real("CR", &rate, 1);
    if (run_.pert) put_real("PERT", &r.pert_score, 1);
    if (bad_pos) check(bcf_update_info_flag(hdr_, rec_, "BADPOS", nullptr, 1));
    if (bad_allele) check(bcf_update_info_flag(hdr_, rec_, "BADALLELE", nullptr, 1));
}

// Where genotype j/k (j <= k) sits in a Number=G list of a diploid call.
static int genotype_place(int j, int k)
{
    if (j > k) std::swap(j, k);
    return k * (k + 1) / 2 + j;
}

// GT through the alleles' indexes (A = site.a, B = site.b), GP in VCF
// genotype order with the genotypes the array cannot call at 0.
void vcf_writer::genotypes(const snp_result& r, const site_alleles_of& site)
{
    const int32_t end_i = bcf_int32_vector_end;
    float missing, end_f;
    bcf_float_set_missing(missing);
    bcf_float_set_vector_end(end_f);
    const int ia = site.a, ib = site.b, lo = std::min(ia, ib), hi = std::max(ia, ib);
    const int n_allele = static_cast<int>(site.alleles.size());
    const size_t per = static_cast<size_t>(n_allele * (n_allele + 1) / 2);
    gp_.resize(per * r.calls.size());
    for (size_t i = 0; i < r.calls.size(); ++i) {
        const double* P = &r.post[4 * i];
        int32_t* gt = &gt_[2 * i];
        float* gp = &gp_[per * i];
        int call = r.calls[i];
        copy_case k = copies_of(run_, chromosome_of(run_, r), static_cast<int>(i));
        gp[0] = missing;
        for (size_t j = 1; j < per; ++j) gp[j] = end_f;
        if (k == TWO_COPIES) {
            gt[0] = call == CALL_NULL ? bcf_gt_missing : bcf_gt_unphased(call == CALL_AA ? ia : call == CALL_BB ? ib : lo);
            gt[1] = call == CALL_NULL ? bcf_gt_missing : bcf_gt_unphased(call == CALL_AA ? ia : call == CALL_BB ? ib : hi);
            if (call != CALL_NULL) {
                for (size_t j = 0; j < per; ++j) gp[j] = 0;
                gp[genotype_place(ia, ia)] = four_digits(P[0]);
                gp[genotype_place(lo, hi)] = four_digits(P[1]);
                gp[genotype_place(ib, ib)] = four_digits(P[2]);
            }
        } else {
            // A single copy has no AB; should the model ever call one, it stays missing.
            bool called = k == ONE_COPY && (call == CALL_AA || call == CALL_BB);
            gt[0] = called ? bcf_gt_unphased(call == CALL_BB ? ib : ia) : bcf_gt_missing;
            gt[1] = end_i;
            if (called) {
                for (int j = 0; j < n_allele; ++j) gp[j] = 0;
                gp[ia] = four_digits(P[0]);
                gp[ib] = four_digits(P[2]);
            }
        }
        if (fields_ & VCF_PNULL) pnull_[i] = four_digits(P[3]);
        if (fields_ & VCF_CONTRAST) contrast_[i] = r.usable[i] ? four_digits(r.contrast[i]) : missing;
        if (fields_ & VCF_STRENGTH) strength_[i] = r.usable[i] ? four_digits(r.strength[i]) : missing;
    }
    int n = static_cast<int>(r.calls.size());
    check(bcf_update_genotypes(hdr_, rec_, gt_.data(), 2 * n));
    if (fields_ & VCF_GP) check(bcf_update_format_float(hdr_, rec_, "GP", gp_.data(), static_cast<int>(per) * n));
    if (fields_ & VCF_PNULL) check(bcf_update_format_float(hdr_, rec_, "PNULL", pnull_.data(), n));
    if (fields_ & VCF_CONTRAST) check(bcf_update_format_float(hdr_, rec_, "CONTRAST", contrast_.data(), n));
    if (fields_ & VCF_STRENGTH) check(bcf_update_format_float(hdr_, rec_, "STRENGTH", strength_.data(), n));
}

void vcf_writer::finish()
{
    if (!body_) return;
    htsFile* body = body_;
    body_ = nullptr;
    errno = 0;
    if (hts_close(body) != 0) fail(errno ? errno : EIO);
    write_header();
    append_records();
    out_.close();
    if (bad_pos_)
        std::cerr << "Warning : " << path_ << ": " << bad_pos_
                  << " SNPs with a position that is not CHR:POS (CHROM 0, POS 1, flag BADPOS)\n";
    if (bad_allele_)
        std::cerr << "Warning : " << path_ << ": " << bad_allele_
                  << " SNPs with alleles that are not two bases (REF N, ALT <B>, flag BADALLELE)\n";
    if (ref_mismatch_)
        std::cerr << "Warning : " << path_ << ": " << ref_mismatch_
                  << " SNPs whose alleles are not the reference genome's base on either strand, or whose REF is not (flag REFMISMATCH)\n";
    if (no_ref_)
        std::cerr << "Warning : " << path_ << ": " << no_ref_
                  << " SNPs at a position the reference genome lacks (REF the A allele, flag NOREF)\n";
}

void vcf_writer::write_header()
{
    kstring_t ks = KS_INITIALIZE;
    if (bcf_hdr_format(hdr_, kind_ == vcf_kind::bcf, &ks) < 0) {
        ks_free(&ks);
        fail(ENOMEM);
    }
    std::string text(ks.s ? ks.s : "", ks.l);
    ks_free(&ks);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (kind_ == vcf_kind::text) {
        out_.write(text);
        return;
    }
    std::string bytes = text;
    if (kind_ == vcf_kind::bcf) {
        // BCF 2.2: magic, little-endian length of the text with its NUL, the text.
        uint32_t len = static_cast<uint32_t>(text.size() + 1);
        bytes = std::string("BCF\2\2", 5);
        for (int s = 0; s < 32; s += 8) bytes += static_cast<char>((len >> s) & 0xff);
        bytes += text;
        bytes += '\0';
    }
    std::string blocks;
    if (!bgzf_blocks(bytes, blocks, z_->level())) fail(EIO, "BGZF compression failed");
    out_.write(blocks);
}

void vcf_writer::append_records()
{
    out_.flush();
    if (int err = copy_spool(spool_, out_.fd())) fail(err);
    ::close(spool_);
    spool_ = -1;
}

}  // namespace

std::string vcf_name_problem(const std::string& path)
{
    if (kind_of(path) == vcf_kind::unknown)
        return "--vcf " + path + ": the name must end in .vcf, .vcf.gz or .bcf";
    std::string folder = folder_of(path);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "--vcf " + path + ": folder " + folder + " does not exist";
    return "";
}

std::string read_vcf_fields(const std::string& list, unsigned& fields)
{
    unsigned got = 0;
    for (size_t at = 0;;) {
        const size_t comma = std::min(list.find(',', at), list.size());
        const std::string tag = list.substr(at, comma - at);
        int k = 0;
        while (k < N_FORMAT_TAGS && tag != FORMAT_TAG[k]) ++k;
        if (k == N_FORMAT_TAGS)
            return "Option --vcf-fields: \"" + tag + "\" is not a FORMAT tag of --vcf (GT, GP, PNULL, CONTRAST, STRENGTH).";
        got |= 1u << k;
        if (comma == list.size()) break;
        at = comma + 1;
    }
    if (!(got & VCF_GT)) return "Option --vcf-fields needs GT among its tags, not \"" + list + "\".";
    fields = got;
    return "";
}

std::unique_ptr<result_writer> make_vcf_writer(const std::string& path, shared_compression z, unsigned fields)
{
    return std::make_unique<vcf_writer>(path, std::move(z), fields);
}
