// qc_writer.cpp -- per-SNP and per-sample quality-control tables.
#include "qc_writer.h"

#include <algorithm>
#include <cmath>

#include "call_rules.h"
#include "fit.h"
#include "format.h"
#include "out_file.h"
#include "site.h"

namespace {

const char* const GENOTYPE[3] = {"AA", "AB", "BB"};

void tab(std::string& s) { s += '\t'; }

// Six significant digits, "NA" for anything that is not a finite number.
void real(std::string& s, double v)
{
    if (std::isfinite(v)) append_real(s, v, 6);
    else s += "NA";
}

// Mean and sample standard deviation of the usable members of one call.
struct moments {
    long n = 0;
    double mean = NAN, sd = NAN;
};

moments cluster(const snp_result& r, int call, const std::vector<double>& v)
{
    moments m;
    double sum = 0;
    for (size_t i = 0; i < r.calls.size() && i < r.usable.size() && i < v.size(); ++i)
        if (r.calls[i] == call && r.usable[i]) {
            sum += v[i];
            ++m.n;
        }
    if (m.n == 0) return m;
    m.mean = sum / m.n;
    if (m.n < 2) return m;
    double ss = 0;
    for (size_t i = 0; i < r.calls.size() && i < r.usable.size() && i < v.size(); ++i)
        if (r.calls[i] == call && r.usable[i]) ss += (v[i] - m.mean) * (v[i] - m.mean);
    m.sd = std::sqrt(ss / (m.n - 1));
    return m;
}

// Smallest gap between the contrast means of neighbouring clusters (an empty
// AB cluster makes AA and BB neighbours), in units of the sum of their SDs.
double separation(const moments c[3])
{
    double best = NAN;
    int prev = -1;
    for (int g = 0; g < 3; ++g) {
        if (!std::isfinite(c[g].sd)) continue;
        if (prev >= 0) {
            const double spread = c[prev].sd + c[g].sd;
            const double gap = spread > 0 ? std::fabs(c[g].mean - c[prev].mean) / spread : NAN;
            if (std::isnan(best) || gap < best) best = gap;
        }
        prev = g;
    }
    return best;
}

// What the tables need of each sample, summed over the SNPs in input order.
struct sample_counts {
    long called = 0, het = 0;
    long x_snps = 0, x_het = 0;
    long long x_expected = 0;  // in QC_EXPECTED_UNIT
};

class qc_writer : public result_writer {
public:
    qc_writer(const std::string& prefix, shared_compression z, bool part)
        : prefix_(prefix), z_(std::move(z)), part_(part) {}

    void claim() override
    {
        const std::string ext = z_ ? ".gz" : "";
        snp_.claim(prefix_ + "_snpqc" + ext, z_);
        sample_.claim(prefix_ + "_sampleqc" + ext, z_);
        if (part_) part_file_.claim(prefix_ + "_sampleqc.part");
    }
    std::vector<const out_file*> files() const override
    {
        if (part_) return {&snp_, &sample_, &part_file_};
        return {&snp_, &sample_};
    }

    void begin(const run_info& run) override
    {
        run_ = run;
        counts_.assign(static_cast<size_t>(run.nind > 0 ? run.nind : 0), sample_counts());
        nsnp_ = 0;
        snp_.start();
        sample_.start();
        if (part_) part_file_.start();
        std::string h = "SNP_id\tposition\tcall_rate\tn_AA\tn_AB\tn_BB\tn_null\tmaf\thwe_p\trun";
        if (run.pert) h += "\tpert_score";
        for (const char* g : GENOTYPE)
            for (const char* f : {"_contrast_mean", "_contrast_sd", "_strength_mean", "_strength_sd"})
                h += std::string("\t") + g + f;
        h += "\tseparation\n";
        snp_.write(h);
        snp_.flush();
    }

    void write(const snp_result& r) override;
    void finish() override;

private:
    int call_of(const snp_result& r, size_t i) const { return i < r.calls.size() ? r.calls[i] : CALL_NULL; }
    bool usable(const snp_result& r, size_t i) const { return i < r.usable.size() && r.usable[i]; }
    int gender_of(size_t i) const { return i < run_.gender.size() ? run_.gender[i] : -1; }
    void sex_evidence(const snp_result& r, double maf);
    void write_part();

    std::string prefix_;
    shared_compression z_;
    bool part_;
    out_file snp_, sample_, part_file_;
    run_info run_;
    std::vector<sample_counts> counts_;
    long nsnp_ = 0;
};

void qc_writer::write(const snp_result& r)
{
    ++nsnp_;
    long n[4] = {0, 0, 0, 0};
    // Allele B copies and all copies of the called; a single-copy individual carries one.
    double b_alleles = 0, alleles = 0;
    for (size_t i = 0; i < counts_.size(); ++i) {
        const int c = call_of(r, i);
        if (c < CALL_AA || c > CALL_NULL) {
            ++n[3];
            continue;
        }
        ++n[c - 1];
        if (c == CALL_NULL) continue;
        ++counts_[i].called;
        if (c == CALL_AB) ++counts_[i].het;
        const bool one = copies_of(run_, chromosome_of(run_, r), static_cast<int>(i)) == ONE_COPY;
        const double k = one ? 1 : 2;
        alleles += k;
        b_alleles += c == CALL_BB ? k : c == CALL_AB ? 1 : 0;
    }
    const long called = n[0] + n[1] + n[2];
    const double p = alleles > 0 ? b_alleles / alleles : NAN;
    const double maf = p > 0.5 ? 1 - p : p;

    std::string s = r.id;
    tab(s);
    s += r.position;
    tab(s);
    real(s, counts_.empty() ? NAN : static_cast<double>(called) / counts_.size());
    for (long k : n) {
        tab(s);
        append_int(s, k);
    }
    tab(s);
    real(s, maf);
    tab(s);
    real(s, r.fitted && r.hwe_p != NO_CALL_SENTINEL ? r.hwe_p : NAN);
    tab(s);
    if (r.fitted) append_int(s, r.run);
    else s += "NA";
    if (run_.pert) {
        tab(s);
        real(s, r.pert_score);
    }
    moments c[3];
    for (int g = 0; g < 3; ++g) {
        c[g] = cluster(r, g + 1, r.contrast);
        const moments st = cluster(r, g + 1, r.strength);
        for (double v : {c[g].mean, c[g].sd, st.mean, st.sd}) {
            tab(s);
            real(s, v);
        }
    }
    tab(s);
    real(s, separation(c));
    s += '\n';
    snp_.write(s);
    snp_.flush();

    if (chromosome_of(run_, r) == chrom::X && r.fitted && std::isfinite(maf)) sex_evidence(r, maf);
}

void qc_writer::sex_evidence(const snp_result& r, double maf)
{
    const bool aa = r.count[0] > 0 && std::isfinite(r.centre[0]);
    const bool bb = r.count[2] > 0 && std::isfinite(r.centre[2]);
    if (r.count[1] <= 0 || !std::isfinite(r.centre[1]) || !(aa || bb)) return;
    const long long expected = std::llround(2 * maf * (1 - maf) / QC_EXPECTED_UNIT);
    double reach = INFINITY;
    if (aa) reach = std::fabs(r.centre[0] - r.centre[1]);
    if (bb) reach = std::min(reach, std::fabs(r.centre[2] - r.centre[1]));
    reach *= QC_SEX_HET_REACH;
    for (size_t i = 0; i < counts_.size(); ++i) {
        if (!usable(r, i) || i >= r.contrast.size()) continue;
        const bool het = std::fabs(r.contrast[i] - r.centre[1]) < reach;
        sample_counts& k = counts_[i];
        ++k.x_snps;
        k.x_het += het;
        k.x_expected += expected;
    }
}

void qc_writer::finish()
{
    const bool x = run_.chromosome == chrom::X || run_.whole_genome;
    std::string s = "sample\tcall_rate\thet_rate";
    if (x) s += "\tx_snps\tx_het\tx_het_expected\tx_het_ratio\timplied_sex\tgender_code\tsex_mismatch";
    if (run_.inbred) s += "\tinbred_f";
    s += '\n';
    for (size_t i = 0; i < counts_.size(); ++i) {
        const sample_counts& k = counts_[i];
        s += i < run_.samples.size() ? run_.samples[i] : std::string();
        tab(s);
        real(s, nsnp_ > 0 ? static_cast<double>(k.called) / nsnp_ : NAN);
        tab(s);
        real(s, k.called > 0 ? static_cast<double>(k.het) / k.called : NAN);
        if (x) {
            const double expected = static_cast<double>(k.x_expected) * QC_EXPECTED_UNIT;
            const double ratio = expected > 0 ? k.x_het / expected : NAN;
            const char* sex = "unknown";
            if (expected >= QC_SEX_MIN_EXPECTED) {
                if (ratio <= QC_SEX_MALE_MAX) sex = "male";
                else if (ratio >= QC_SEX_FEMALE_MIN) sex = "female";
            }
            const int code = gender_of(i);
            const bool given = i < run_.gender.size();
            const bool mismatch = given && ((sex[0] == 'm' && code != 1) || (sex[0] == 'f' && code == 1));
            tab(s);
            append_int(s, k.x_snps);
            tab(s);
            append_int(s, k.x_het);
            tab(s);
            real(s, expected);
            tab(s);
            real(s, ratio);
            tab(s);
            s += sex;
            tab(s);
            if (given) append_int(s, code);
            else s += "NA";
            tab(s);
            s += mismatch ? '1' : '0';
        }
        if (run_.inbred) {
            tab(s);
            real(s, i < run_.inbred_f.size() ? run_.inbred_f[i] : 0.0);
        }
        s += '\n';
        // Thousands of samples: hand the text over in pieces.
        if (s.size() > (1u << 16)) {
            sample_.write(s);
            sample_.flush();
            s.clear();
        }
    }
    sample_.write(s);
    snp_.close();
    sample_.close();
    if (part_) write_part();
}

void qc_writer::write_part()
{
    std::string s = "#tamsel_sampleqc_part\tsnps\t";
    append_int(s, nsnp_);
    s += run_.chromosome == chrom::X || run_.whole_genome ? "\tx\t1\n" : "\tx\t0\n";
    s += "sample\tcalled\thet\tx_snps\tx_het\tx_expected\tgender_code\n";
    for (size_t i = 0; i < counts_.size(); ++i) {
        const sample_counts& k = counts_[i];
        s += i < run_.samples.size() ? run_.samples[i] : std::string();
        for (long long v : {static_cast<long long>(k.called), static_cast<long long>(k.het),
                            static_cast<long long>(k.x_snps), static_cast<long long>(k.x_het), k.x_expected}) {
            tab(s);
            s += std::to_string(v);
        }
        tab(s);
        if (i < run_.gender.size()) append_int(s, gender_of(i));
        else s += "NA";
        s += '\n';
        if (s.size() > (1u << 16)) {
            part_file_.write(s);
            part_file_.flush();
            s.clear();
        }
    }
    part_file_.write(s);
    part_file_.close();
}

}  // namespace

std::unique_ptr<result_writer> make_qc_writer(const std::string& prefix, shared_compression z, bool part)
{
    return std::make_unique<qc_writer>(prefix, std::move(z), part);
}
