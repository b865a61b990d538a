// The --vcf writer: its header and records, and what bcftools, plink2 and
// plink 1.9 read back from its files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "format.h"
#include "vcf_writer.h"
#include "version.h"
#include "writer_helpers.h"

namespace {

class VcfWriter : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string write(const std::string& name, const run_info& run, const std::vector<snp_result>& snps, int threads = 1)
    {
        std::string path = dir + "/" + name;
        auto w = make_vcf_writer(path, std::make_shared<compression>(DEFAULT_COMPRESS_LEVEL, threads));
        write_all(*w, run, snps);
        return path;
    }
};

// Calls from a fixed pseudo-random stream; never AB for a single copy, always
// no call where no call is forced.
std::vector<snp_result> random_snps(const run_info& run, int n, const std::string& chrom, unsigned seed)
{
    std::vector<snp_result> snps;
    for (int s = 0; s < n; ++s) {
        std::vector<int> calls;
        for (int i = 0; i < run.nind; ++i) {
            seed = seed * 1103515245u + 12345u;
            int c = 1 + static_cast<int>((seed >> 16) % 4);
            copy_case k = i < static_cast<int>(run.gender.size()) ? copies(run.chromosome, run.gender[i]) : TWO_COPIES;
            if (k == ONE_COPY && c == 2) c = 3;
            if (k == NO_COPY) c = 4;
            calls.push_back(c);
        }
        snps.push_back(make_snp(s, chrom + ":" + std::to_string(1000 + 10 * s), s % 2 ? "[A/G]" : "CT", calls));
    }
    return snps;
}

// The GT text bcftools should print for a call.
std::string gt_text(int call, copy_case k)
{
    if (k == NO_COPY) return ".";
    if (k == ONE_COPY) return call == 1 ? "0" : call == 3 ? "1" : ".";
    static const char* const gt[] = {"", "0/0", "0/1", "1/1", "./."};
    return gt[call];
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string s; std::getline(in, s);) v.push_back(s);
    return v;
}

// Genotype counts per SNP as plink reports them: hom A, het, hom B, hap A, hap B, missing.
typedef std::vector<std::array<long, 6>> counts_t;
counts_t expected_counts(const run_info& run, const std::vector<snp_result>& snps)
{
    counts_t out;
    for (const snp_result& r : snps) {
        std::array<long, 6> c{};
        for (int i = 0; i < run.nind; ++i) {
            copy_case k = i < static_cast<int>(run.gender.size()) ? copies(run.chromosome, run.gender[i]) : TWO_COPIES;
            int call = r.calls[i];
            if (k == NO_COPY || call == 4) ++c[5];
            else if (k == ONE_COPY) ++c[call == 1 ? 3 : 4];
            else ++c[call - 1];
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

TEST_F(VcfWriter, NameCheckRefusesUnknownSuffixAndMissingFolder)
{
    for (const char* ok : {"/a.vcf", "/a.vcf.gz", "/a.bcf"}) EXPECT_EQ(vcf_name_problem(dir + ok), "") << ok;
    EXPECT_EQ(vcf_name_problem("calls.bcf"), "");
    for (const char* bad : {"/a.txt", "/a.vcf.bgz", "/vcf", "/a.VCF", "/.bcf.x"})
        EXPECT_NE(vcf_name_problem(dir + bad).find(".vcf, .vcf.gz or .bcf"), std::string::npos) << bad;
    EXPECT_NE(vcf_name_problem(dir + "/missing/a.vcf").find("does not exist"), std::string::npos);
    EXPECT_FALSE(exists(dir + "/a.vcf"));
}

// Two records that cover every field: a no call with unusable intensities,
// calls of both alleles, a missing model summary and -a's score.
TEST_F(VcfWriter, HeaderAndTwoRecordsMatchGolden)
{
    run_info run = make_run(3);
    run.pert = true;
    std::vector<snp_result> snps = {make_snp(0, "1:254810", "AG", {1, 2, 4}), make_snp(1, "chr10:3102907", "[T/C]", {3, 3, 1})};
    snps[0].usable[2] = 0;
    snps[0].contrast[2] = snps[0].strength[2] = 0;
    snps[0].post[8] = snps[0].post[9] = snps[0].post[10] = 0, snps[0].post[11] = 1;
    snps[0].pert_score = 0.75;
    snps[1].mu_2 = NAN;
    snps[1].run = 2;
    snps[1].hwe_p = 0.0123456789;
    // GP and PNULL carry the text files' 4 significant digits.
    const double post[4] = {0.000123456789, 0.0987654321, 0.901110789, 1.23456789e-7};
    std::copy(post, post + 4, snps[1].post.begin());
    std::string got = slurp(write("small.vcf", run, snps));
    std::string golden = std::string(TAMSEL_TEST_DATA) + "/golden/small.vcf";
    if (std::getenv("TAMSEL_UPDATE_GOLDEN")) write_file(golden, got);
    // The header names this build's version; the rest must match byte for byte.
    const std::string source = "##source=tamsel " + std::string(tamsel_version()) + "\n";
    ASSERT_NE(got.find(source), std::string::npos) << got.substr(0, 200);
    auto unversioned = [](std::string text) {
        const size_t at = text.find("##source=tamsel ");
        if (at != std::string::npos) text.erase(at + 15, text.find('\n', at) - at - 15);
        return text;
    };
    EXPECT_EQ(unversioned(got), unversioned(slurp(golden)));
}

// PNULL and GP are the numbers the text files print with 4 digits, also next
// to a rounding tie and beyond the powers of ten the scaling uses.
TEST_F(VcfWriter, PosteriorsAreTheTextFilesFourDigits)
{
    if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    const double edge[] = {0.12345,  0.00012345, 0.99995, 0.9999499999, 9.9995e-5, 0.5,   2.5e-7,
                           1e-19,    3.14159e-21, 1e-25,  5e-324,       0.1,       1,     0,
                           0.876543, 1.00005e-3,  0.45675, 6.02214e-23, 0.0099995, 0.333333};
    const int n = static_cast<int>(sizeof edge / sizeof edge[0]);
    run_info run = make_run(n);
    snp_result r = make_snp(0, "2:500", "AG", std::vector<int>(n, 2));
    for (int i = 0; i < n; ++i) {
        r.post[4 * i + 3] = edge[i];
        r.post[4 * i] = edge[(i + 7) % n];
    }
    std::string path = write("e.bcf", run, {r});
    std::vector<std::string> pnull = words(shell("bcftools query -f '[%PNULL ]\\n' '" + path + "'"));
    std::vector<std::string> gp = words(shell("bcftools query -f '[%GP ]\\n' '" + path + "'"));
    ASSERT_EQ(pnull.size(), static_cast<size_t>(n));
    ASSERT_EQ(gp.size(), static_cast<size_t>(n));
    auto text_value = [](double v) {
        std::string t;
        append_real(t, v, 4);
        return static_cast<float>(std::strtod(t.c_str(), nullptr));
    };
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(static_cast<float>(std::strtod(pnull[i].c_str(), nullptr)), text_value(edge[i])) << edge[i] << " written as " << pnull[i];
        const std::string aa = gp[i].substr(0, gp[i].find(','));
        EXPECT_EQ(static_cast<float>(std::strtod(aa.c_str(), nullptr)), text_value(edge[(i + 7) % n])) << gp[i];
    }
}

TEST_F(VcfWriter, DuplicateSampleNamesAreRefused)
{
    run_info run = make_run(3);
    run.samples[2] = run.samples[0];
    auto w = make_vcf_writer(dir + "/d.vcf");
    w->claim();
    try {
        w->begin(run);
        FAIL() << "no error";
    } catch (const input_error& e) {
        EXPECT_NE(std::string(e.what()).find("'S_1' is used twice"), std::string::npos) << e.what();
    }
}

// X with gender codes 1 (single copy), 0 and 2 (two copies), in each format.
TEST_F(VcfWriter, BcftoolsReadsTheCallsBackInEveryFormat)
{
    if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    run_info run = make_run(12, chrom::X, {1, 0, 2, 1, 0, 2, 1, 0, 2, 1, 1, 0});
    std::vector<snp_result> snps = random_snps(run, 25, "X", 7);
    for (const char* name : {"x.vcf", "x.vcf.gz", "x.bcf"}) {
        std::string path = write(name, run, snps);
        int status = -1;
        std::vector<std::string> gt = lines(shell("bcftools query -f '[%GT ]\\n' '" + path + "'", &status));
        EXPECT_EQ(status, 0) << name;
        ASSERT_EQ(gt.size(), snps.size()) << name;
        std::vector<std::string> gp = lines(shell("bcftools query -f '[%GP ]\\n' '" + path + "'"));
        ASSERT_EQ(gp.size(), snps.size()) << name;
        for (size_t s = 0; s < snps.size(); ++s) {
            std::string want;
            std::vector<std::string> probs = words(gp[s]);
            ASSERT_EQ(probs.size(), 12u);
            for (int i = 0; i < 12; ++i) {
                copy_case k = copies(chrom::X, run.gender[i]);
                int call = snps[s].calls[i];
                want += gt_text(call, k) + " ";
                if (call == 4) {
                    EXPECT_EQ(probs[i], ".");
                    continue;
                }
                // GP peaks at the genotype called: its index among the values written.
                std::vector<double> v;
                std::stringstream in(probs[i]);
                for (std::string x; std::getline(in, x, ',');) v.push_back(std::stod(x));
                ASSERT_EQ(v.size(), k == ONE_COPY ? 2u : 3u) << probs[i];
                size_t top = std::max_element(v.begin(), v.end()) - v.begin();
                EXPECT_EQ(top, k == ONE_COPY ? (call == 1 ? 0u : 1u) : static_cast<size_t>(call - 1));
            }
            EXPECT_EQ(gt[s], want) << name << " SNP " << s;
        }
        if (std::string(name) != "x.vcf") {
            EXPECT_EQ(std::system(("bcftools index -f '" + path + "' 2>/dev/null").c_str()), 0) << name;
            std::string region = shell("bcftools view -H -r X:1050-1060 '" + path + "' | cut -f 2,3");
            EXPECT_EQ(region, "1050\trs105\n1060\trs106\n") << name;
        }
    }
}

TEST_F(VcfWriter, ForcedNullAndSingleCopyOnYAndMT)
{
    if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    struct { chrom c; std::vector<int> gender; std::vector<int> calls; const char* gt; const char* gp; } cases[] = {
        {chrom::Y, {0, 1, 1, 2}, {4, 1, 3, 2}, ". 0 1 0/1 ", ". 0.91,0.02 0.04,0.91 0.04,0.91,0.02 "},
        {chrom::MT, {1, 0, 0, 2}, {4, 3, 4, 1}, ". 1 . 0/0 ", ". 0.04,0.91 . 0.91,0.03,0.02 "},
    };
    for (auto& c : cases) {
        run_info run = make_run(4, c.c, c.gender);
        std::string path = write("h.bcf", run, {make_snp(0, "MT:5", "AG", c.calls)});
        EXPECT_EQ(shell("bcftools query -f '[%GT ]\\n' " + path), std::string(c.gt) + "\n");
        EXPECT_EQ(shell("bcftools query -f '[%GP ]\\n' " + path), std::string(c.gp) + "\n");
    }
}

// A row whose position or alleles cannot be read still gives a valid record,
// with a warning for each and a count at the end.
TEST_F(VcfWriter, UnreadableRowsStayValidRecords)
{
    if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    run_info run = make_run(2);
    std::vector<snp_result> snps = {make_snp(0, "1:100", "A/G", {1, 2}), make_snp(1, "unplaced", "I/D", {2, 3}),
                                    make_snp(2, "2:12x", "[A/G]", {3, 4}), make_snp(3, "3:300", "AA", {1, 1})};
    testing::internal::CaptureStderr();
    std::string path = write("bad.bcf", run, snps);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("SNP rs101 has position 'unplaced', not CHR:POS"), std::string::npos) << err;
    EXPECT_NE(err.find("SNP rs103 has alleles 'AA', not two bases"), std::string::npos) << err;
    EXPECT_NE(err.find(": 2 SNPs with a position that is not CHR:POS"), std::string::npos) << err;
    EXPECT_NE(err.find(": 2 SNPs with alleles that are not two bases"), std::string::npos) << err;
    int status = -1;
    std::string body = shell("bcftools view -H '" + path + "' | cut -f 1-5,8-10", &status);
    EXPECT_EQ(status, 0);
    std::vector<std::string> rec = lines(body);
    ASSERT_EQ(rec.size(), 4u);
    EXPECT_EQ(rec[0].substr(0, 18), "1\t100\trs100\tA\tG\tMU");
    EXPECT_EQ(rec[1].substr(0, 19), "0\t1\trs101\tN\t<B>\tMU=");
    EXPECT_NE(rec[1].find(";BADPOS;BADALLELE\tGT:GP:PNULL:CONTRAST:STRENGTH\t0/1:"), std::string::npos) << rec[1];
    EXPECT_EQ(rec[2].substr(0, 16), "0\t1\trs102\tA\tG\tMU");
    // Unreadable positions next to each other keep a sorted file indexable.
    EXPECT_EQ(std::system(("bcftools index '" + path + "' 2>/dev/null").c_str()), 0);
    EXPECT_EQ(rec[3].substr(0, 20), "3\t300\trs103\tN\t<B>\tMU");
    EXPECT_EQ(shell("bcftools view -h '" + path + "' | grep '^##contig'"), "##contig=<ID=1>\n##contig=<ID=0>\n##contig=<ID=3>\n");
}

TEST_F(VcfWriter, Plink2AndPlink19ImportTheCalls)
{
    run_info run = make_run(30);
    std::vector<snp_result> snps = random_snps(run, 12, "chr7", 11);
    counts_t want = expected_counts(run, snps);
    std::string path = write("p.vcf.gz", run, snps);
    if (have_tool("plink2")) {
        int status = -1;
        shell("cd '" + dir + "' && plink2 --vcf p.vcf.gz dosage=GP --hard-call-threshold 0.4 --geno-counts --out p2 > /dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << slurp(dir + "/p2.log");
        // HOM_REF HET TWO_ALT HAP_REF HAP_ALT MISSING: the order of expected_counts.
        std::vector<count_row> got = count_table(dir + "/p2.gcount");
        ASSERT_EQ(got.size(), snps.size());
        for (size_t s = 0; s < snps.size(); ++s) {
            EXPECT_EQ(got[s].chrom, "7");
            EXPECT_EQ(got[s].n, want[s]) << "SNP " << s;
        }
    }
    if (have_tool("plink1.9")) {
        int status = -1;
        shell("cd '" + dir + "' && plink1.9 --vcf p.vcf.gz --double-id --keep-allele-order --freqx --out p1 > /dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << slurp(dir + "/p1.log");
        // HOM A1 HET HOM A2 HAP A1 HAP A2 MISSING, allele 1 = ALT.
        std::vector<count_row> got = count_table(dir + "/p1.frqx");
        ASSERT_EQ(got.size(), snps.size());
        for (size_t s = 0; s < snps.size(); ++s) {
            const std::array<long, 6>& w = want[s];
            EXPECT_EQ(got[s].n, (std::array<long, 6>{w[2], w[1], w[0], w[4], w[3], w[5]})) << "SNP " << s;
        }
        EXPECT_NE(slurp(dir + "/p1.nosex").find("S_1\tS_1"), std::string::npos);
    }
}

TEST_F(VcfWriter, SameBytesForAnyThreadCount)
{
    run_info run = make_run(60);
    std::vector<snp_result> snps = random_snps(run, 400, "5", 3);
    for (const char* ext : {".vcf.gz", ".bcf"}) {
        std::string one = slurp(write(std::string("t1") + ext, run, snps, 1));
        std::string four = slurp(write(std::string("t4") + ext, run, snps, 4));
        EXPECT_GT(one.size(), 1000u);
        EXPECT_TRUE(one == four) << ext;
    }
}

TEST_F(VcfWriter, EmptyRunIsAValidFile)
{
    if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    for (const char* name : {"e.vcf", "e.vcf.gz", "e.bcf"}) {
        std::string path = write(name, make_run(2), {});
        int status = -1;
        std::string text = shell("bcftools view '" + path + "'", &status);
        EXPECT_EQ(status, 0) << name;
        EXPECT_NE(text.find("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS_1\tS_2\n"), std::string::npos);
    }
}

TEST_F(VcfWriter, FullDiskIsAWriteError)
{
    for (const char* name : {"full.vcf", "full.bcf"}) {
        std::string path = dir + "/" + name;
        ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
        auto w = make_vcf_writer(path);
        try {
            write_all(*w, make_run(2), {make_snp(0, "1:5", "AG", {1, 2})});
            ADD_FAILURE() << "no error for " << name;
        } catch (const write_error& e) {
            EXPECT_EQ(std::string(e.what()), "could not write " + path + ": No space left on device");
        }
    }
}
