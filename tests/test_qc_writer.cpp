// The quality-control tables: hand-computed rows, the sex rule at its edges,
// and the sex check on a simulated X input with wrongly coded samples.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "cli_helpers.h"
#include "fit.h"
#include "out_file.h"
#include "qc_writer.h"

namespace {

using table = std::vector<std::vector<std::string>>;

// Tab-separated: an empty field would be a formatting fault, so keep it.
table read_table(const std::string& path)
{
    table t;
    std::istringstream in(slurp(path));
    std::string line;
    while (std::getline(in, line)) {
        t.emplace_back();
        size_t from = 0, tab;
        while ((tab = line.find('\t', from)) != std::string::npos) {
            t.back().push_back(line.substr(from, tab - from));
            from = tab + 1;
        }
        t.back().push_back(line.substr(from));
    }
    return t;
}

// Rows keyed by the first column, fields by the header's names.
struct named_table {
    table t;
    std::string at(size_t row, const std::string& col) const
    {
        for (size_t c = 0; c < t[0].size(); ++c)
            if (t[0][c] == col) return t.at(row + 1).at(c);
        ADD_FAILURE() << "no column " << col;
        return "";
    }
    double num(size_t row, const std::string& col) const { return std::stod(at(row, col)); }
};

snp_result make_snp(const std::string& id, std::vector<int> calls, std::vector<double> contrast,
                    std::vector<double> strength)
{
    snp_result r;
    r.id = id;
    r.position = "1:" + std::to_string(100 + id.size());
    r.fitted = true;
    r.run = 1;
    r.calls = std::move(calls);
    r.contrast = std::move(contrast);
    r.strength = std::move(strength);
    for (int c : r.calls) r.usable.push_back(c != CALL_NULL);
    return r;
}

run_info make_run(int n)
{
    run_info run;
    run.nind = n;
    for (int i = 0; i < n; ++i) run.samples.push_back("S" + std::to_string(i + 1));
    return run;
}

void write_all(const std::string& prefix, const run_info& run, const std::vector<snp_result>& snps)
{
    auto w = make_qc_writer(prefix, nullptr);
    w->claim();
    w->begin(run);
    for (const snp_result& r : snps) w->write(r);
    w->finish();
}

}  // namespace

TEST(QcTables, HandComputedRows)
{
    const std::string dir = scratch_dir("qc_hand");
    run_info run = make_run(6);
    run.pert = true;
    std::vector<snp_result> snps;
    // Individual 5 is missing: no call, unusable.
    snps.push_back(make_snp("rsA", {1, 1, 2, 3, 4, 2}, {-0.9, -0.7, 0.1, 0.8, 0, -0.1}, {1, 1.2, 0.5, 0.9, 0, 0.7}));
    snps[0].hwe_p = 0.25;
    snps[0].run = 2;
    snps[0].pert_score = 0.5;
    // Nobody usable.
    snps.push_back(make_snp("rsB", std::vector<int>(6, 4), std::vector<double>(6, 0), std::vector<double>(6, 0)));
    snps[1].fitted = false;
    snps[1].run = 0;
    snps[1].hwe_p = NO_CALL_SENTINEL;
    snps[1].pert_score = 1;
    write_all(dir + "/q", run, snps);

    named_table s{read_table(dir + "/q_snpqc")};
    ASSERT_EQ(s.t.size(), 3u);
    EXPECT_EQ(s.t[0].size(), 24u);  // 10 leading, pert_score, 12 cluster figures, separation
    EXPECT_EQ(s.at(0, "SNP_id"), "rsA");
    EXPECT_EQ(s.at(0, "position"), "1:103");
    EXPECT_EQ(s.at(0, "call_rate"), "0.833333");
    EXPECT_EQ(s.at(0, "n_AA") + s.at(0, "n_AB") + s.at(0, "n_BB") + s.at(0, "n_null"), "2211");
    EXPECT_EQ(s.at(0, "maf"), "0.4");  // B alleles: 2 from AB, 2 from BB, of 10
    EXPECT_EQ(s.at(0, "hwe_p"), "0.25");
    EXPECT_EQ(s.at(0, "run"), "2");
    EXPECT_EQ(s.at(0, "pert_score"), "0.5");
    EXPECT_NEAR(s.num(0, "AA_contrast_mean"), -0.8, 1e-12);
    EXPECT_EQ(s.at(0, "AA_contrast_sd"), "0.141421");  // sqrt(0.02 / 1)
    EXPECT_NEAR(s.num(0, "AA_strength_mean"), 1.1, 1e-12);
    EXPECT_NEAR(s.num(0, "AB_contrast_mean"), 0, 1e-12);
    EXPECT_EQ(s.at(0, "AB_strength_mean"), "0.6");
    EXPECT_EQ(s.at(0, "AB_strength_sd"), "0.141421");
    EXPECT_EQ(s.at(0, "BB_contrast_mean"), "0.8");
    EXPECT_EQ(s.at(0, "BB_contrast_sd"), "NA");  // one member has no spread
    // Only AA and AB have spreads: 0.8 / (0.141421 + 0.141421).
    EXPECT_EQ(s.at(0, "separation"), "2.82843");
    EXPECT_EQ(s.at(1, "call_rate"), "0");
    for (const char* c : {"maf", "hwe_p", "run", "AA_contrast_mean", "BB_strength_sd", "separation"})
        EXPECT_EQ(s.at(1, c), "NA") << c;
    EXPECT_EQ(s.at(1, "pert_score"), "1");

    named_table p{read_table(dir + "/q_sampleqc")};
    ASSERT_EQ(p.t.size(), 7u);
    EXPECT_EQ(p.t[0].size(), 3u);  // no sex columns off X
    EXPECT_EQ(p.at(2, "sample"), "S3");
    EXPECT_EQ(p.at(2, "call_rate"), "0.5");
    EXPECT_EQ(p.at(2, "het_rate"), "1");
    EXPECT_EQ(p.at(0, "het_rate"), "0");
    EXPECT_EQ(p.at(4, "call_rate"), "0");
    EXPECT_EQ(p.at(4, "het_rate"), "NA");  // never called
}

TEST(QcTables, NoPertColumnWithoutPerturbationAndCompressedNames)
{
    const std::string dir = scratch_dir("qc_plain");
    run_info run = make_run(2);
    auto w = make_qc_writer(dir + "/q", std::make_shared<compression>());
    w->claim();
    ASSERT_EQ(w->files().size(), 2u);
    EXPECT_EQ(w->files()[0]->path(), dir + "/q_snpqc.gz");
    EXPECT_EQ(w->files()[1]->path(), dir + "/q_sampleqc.gz");
    w->begin(run);
    w->finish();
    EXPECT_EQ(std::system(("gzip -dc '" + dir + "/q_snpqc.gz' | head -1 | grep -q 'run\tAA_contrast_mean'").c_str()), 0);

    // Separation with an empty AB cluster: AA and BB are neighbours.
    std::vector<snp_result> snps;
    snps.push_back(make_snp("rsC", {1, 1, 3, 3}, {-0.9, -0.7, 0.7, 0.9}, {1, 1, 1, 1}));
    write_all(dir + "/p", make_run(4), snps);
    named_table s{read_table(dir + "/p_snpqc")};
    EXPECT_EQ(s.t[0].size(), 23u);
    EXPECT_EQ(s.at(0, "separation"), "5.65685");  // 1.6 / (2 * 0.141421)
    EXPECT_EQ(s.at(0, "maf"), "0.5");
}

// Forty informative X SNPs of allele frequency 1/2 (a two-copy sample is
// expected to look heterozygous on each with probability 0.5) set each
// sample's evidence exactly.
TEST(QcTables, SexRuleEdges)
{
    const std::string dir = scratch_dir("qc_sex");
    struct who {
        int code;
        int usable_snps;  // usable on the first this many
        int het_snps;     // within reach of the AB centre on the first this many
    };
    const std::vector<who> samples = {
        {0, 0, 0},    // the three who set the frequency; no usable X SNP -> unknown
        {1, 0, 0},
        {0, 40, 40},  // female, right
        {1, 40, 0},   // male, right; one contrast exactly at the reach is no evidence
        {0, 24, 3},   // ratio 3 / 12 = 0.25 exactly: male, wrongly coded 0
        {1, 40, 9},   // ratio 9 / 20 = 0.45 exactly: female, wrongly coded 1
        {1, 19, 0},   // E = 9.5: too little evidence
        {1, 20, 0},   // E = 10 exactly: enough
        {0, 40, 8},   // ratio 0.4: between the cut-offs
    };
    run_info run = make_run(static_cast<int>(samples.size()));
    run.chromosome = chrom::X;
    for (const who& w : samples) run.gender.push_back(w.code);
    std::vector<snp_result> snps;
    for (int j = 0; j < 41; ++j) {
        // Two A copies against two single B copies; the others are no calls, as
        // the check reads contrasts only.
        std::vector<int> calls(samples.size(), 4);
        calls[0] = 1;
        calls[1] = calls[3] = 3;
        std::vector<double> contrast;
        for (const who& w : samples) contrast.push_back(j < w.het_snps ? -0.19 : 0.8);
        snp_result r = make_snp("x" + std::to_string(j), calls, contrast, std::vector<double>(samples.size(), 1));
        for (size_t i = 0; i < samples.size(); ++i) r.usable[i] = j < samples[i].usable_snps;
        r.centre[0] = -0.8, r.centre[1] = 0, r.centre[2] = 0.8;
        r.count[0] = r.count[1] = r.count[2] = 3;
        if (j == 0) r.contrast[3] = 0.2;  // reach 0.25 * 0.8
        // The last SNP has no AB cluster and tells nothing, whoever looks heterozygous.
        if (j == 40) {
            r.count[1] = 0;
            r.usable.assign(samples.size(), 1);
            r.contrast.assign(samples.size(), 0);
        }
        snps.push_back(r);
    }
    write_all(dir + "/x", run, snps);
    named_table p{read_table(dir + "/x_sampleqc")};
    ASSERT_EQ(p.t.size(), samples.size() + 1);
    const char* sex[] = {"unknown", "unknown", "female", "male", "male", "female", "unknown", "male", "unknown"};
    const char* flag[] = {"0", "0", "0", "0", "1", "1", "0", "0", "0"};
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(p.at(i, "implied_sex"), sex[i]) << i;
        EXPECT_EQ(p.at(i, "sex_mismatch"), flag[i]) << i;
        EXPECT_EQ(p.at(i, "gender_code"), std::to_string(samples[i].code)) << i;
        EXPECT_EQ(p.at(i, "x_snps"), std::to_string(samples[i].usable_snps)) << i;
        EXPECT_EQ(p.at(i, "x_het"), std::to_string(samples[i].het_snps)) << i;
    }
    EXPECT_EQ(p.at(0, "x_het_ratio"), "NA");
    EXPECT_EQ(p.at(4, "x_het_expected"), "12");
    EXPECT_EQ(p.at(4, "x_het_ratio"), "0.25");
    EXPECT_EQ(p.at(5, "x_het_ratio"), "0.45");
    EXPECT_EQ(p.at(6, "x_het_expected"), "9.5");
    EXPECT_EQ(p.at(7, "x_het_expected"), "10");
    named_table s{read_table(dir + "/x_snpqc")};
    EXPECT_EQ(s.at(0, "maf"), "0.5");  // single copies counted once
}

namespace {

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> w;
    std::istringstream in(line);
    std::string s;
    while (in >> s) w.push_back(s);
    return w;
}

// The results of a real run, rebuilt from its input, calls and contrastmu files.
std::vector<snp_result> results_of(const std::string& input, const std::string& prefix, int nind)
{
    std::istringstream in(slurp(input)), calls(slurp(prefix + "_calls")), mu(slurp(prefix + "_contrastmu"));
    std::string a, c, m;
    std::getline(in, a), std::getline(calls, c), std::getline(mu, m);
    std::vector<snp_result> out;
    while (std::getline(in, a) && std::getline(calls, c) && std::getline(mu, m)) {
        const auto iw = words(a), cw = words(c), mw = words(m);
        snp_result r;
        r.id = iw[0];
        r.position = iw[1];
        r.fitted = true;
        r.run = 1;
        for (int i = 0; i < nind; ++i) {
            const std::string& sa = iw[3 + 2 * i];
            const std::string& sb = iw[4 + 2 * i];
            const double x = sa == "NaN" ? -1 : std::stod(sa), y = sb == "NaN" ? -1 : std::stod(sb);
            const bool ok = x >= 0 && y >= 0 && x + y > 0;
            r.usable.push_back(ok);
            r.contrast.push_back(ok ? (y - x) / (x + y) : 0);
            r.strength.push_back(ok ? std::log(x + y) : 0);
            r.calls.push_back(std::stoi(cw[3 + i]));
        }
        for (int g = 0; g < 3; ++g) {
            r.centre[g] = std::stod(mw[3 + g]);
            r.count[g] = std::stoi(mw[6 + g]);
        }
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace

// Simulated X data, run with one male coded 0 and one female coded 1: the check
// must tell the true sexes apart and flag exactly those two.
TEST(QcTables, SexCheckOnSimulatedX)
{
    const std::string dir = scratch_dir("qc_simx");
    const std::string DATA = TAMSEL_TEST_DATA;
    std::vector<int> truth;
    for (const auto& w : words(slurp(DATA + "/example_x.gender"))) truth.push_back(std::stoi(w));
    const int n = static_cast<int>(truth.size());
    ASSERT_EQ(n, 200);
    std::vector<int> given = truth;
    int wrong_male = -1, wrong_female = -1;
    for (int i = 0; i < n; ++i) {
        if (truth[i] == 1 && wrong_male < 0) wrong_male = i;
        if (truth[i] == 0 && wrong_female < 0) wrong_female = i;
    }
    given[wrong_male] = 0;
    given[wrong_female] = 1;
    std::string codes;
    for (int g : given) codes += std::to_string(g) + "\n";
    write_file(dir + "/given.gender", codes);
    ASSERT_EQ(run_tamsel("-i '" + DATA + "/example_x.int' -g '" + dir + "/given.gender' -X -o '" + dir + "/x' -c -u", dir)
                  .status,
              0);

    run_info run = make_run(n);
    run.chromosome = chrom::X;
    run.gender = given;
    write_all(dir + "/x", run, results_of(DATA + "/example_x.int", dir + "/x", n));
    named_table p{read_table(dir + "/x_sampleqc")};
    ASSERT_EQ(p.t.size(), static_cast<size_t>(n) + 1);
    int decided = 0, agree = 0;
    for (int i = 0; i < n; ++i) {
        const std::string sex = p.at(i, "implied_sex");
        if (sex == "unknown") continue;
        ++decided;
        agree += (sex == "male") == (truth[i] == 1);
        EXPECT_EQ(p.at(i, "sex_mismatch"), i == wrong_male || i == wrong_female ? "1" : "0") << i;
    }
    EXPECT_EQ(agree, decided);
    EXPECT_GE(decided, n * 95 / 100);
    EXPECT_EQ(p.at(wrong_male, "implied_sex"), "male");
    EXPECT_EQ(p.at(wrong_female, "implied_sex"), "female");
}
