// The --plink writer: .fam and .bim as written, and the genotype counts
// plink 1.9 and plink2 read back from the .bed.
#include <gtest/gtest.h>

#include <sstream>

#include "plink_writer.h"
#include "writer_helpers.h"

namespace {

class PlinkWriter : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
};

}  // namespace

// X: gender code 1 is a single copy (sex 1), code 0 two copies (sex 2).
TEST_F(PlinkWriter, Plink19AndPlink2ReadTheCallsBack)
{
    const int n = 9;
    run_info run = make_run(n, chrom::X, {1, 0, 1, 0, 0, 1, 1, 0, 1});
    std::vector<snp_result> snps;
    std::vector<std::array<long, 6>> want;  // hom B, het, hom A, hap B, hap A, missing
    unsigned seed = 5;
    for (int s = 0; s < 14; ++s) {
        std::vector<int> calls;
        std::array<long, 6> c{};
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            int call = 1 + static_cast<int>((seed >> 16) % 4);
            bool one = run.gender[i] == 1;
            if (one && call == 2) call = 4;
            calls.push_back(call);
            if (call == 4) ++c[5];
            else if (one) ++c[call == 3 ? 3 : 4];
            else ++c[3 - call];
        }
        snps.push_back(make_snp(s, (s % 2 ? "chrX:" : "X:") + std::to_string(500 + s), "[T/C]", calls));
        want.push_back(c);
    }
    auto w = make_plink_writer(dir + "/p");
    write_all(*w, run, snps);
    EXPECT_EQ(slurp(dir + "/p.bim").substr(0, 18), "X\trs100\t0\t500\tC\tT\n");
    if (have_tool("plink1.9")) {
        int status = -1;
        shell("cd '" + dir + "' && plink1.9 --bfile p --keep-allele-order --freqx --out f1 > /dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << slurp(dir + "/f1.log");
        std::vector<count_row> got = count_table(dir + "/f1.frqx");
        ASSERT_EQ(got.size(), snps.size());
        for (size_t s = 0; s < snps.size(); ++s) {
            EXPECT_EQ(got[s].chrom, "23");
            EXPECT_EQ(got[s].n, want[s]) << "SNP " << s;
        }
    }
    if (have_tool("plink2")) {
        int status = -1;
        shell("cd '" + dir + "' && plink2 --bfile p --geno-counts --out f2 > /dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << slurp(dir + "/f2.log");
        // plink2's REF is allele 2 (A): HOM_REF HET TWO_ALT HAP_REF HAP_ALT MISSING.
        std::vector<count_row> got = count_table(dir + "/f2.gcount");
        ASSERT_EQ(got.size(), snps.size());
        for (size_t s = 0; s < snps.size(); ++s) {
            const std::array<long, 6>& w = want[s];
            EXPECT_EQ(got[s].n, (std::array<long, 6>{w[2], w[1], w[0], w[4], w[3], w[5]})) << "SNP " << s;
        }
    }
}

TEST_F(PlinkWriter, FamAndBimAsPlinkReadsThem)
{
    run_info run = make_run(3, chrom::Y, {1, 0, 2});
    run.samples = {"PL01_A01", "S_2", "x"};
    std::vector<snp_result> snps = {make_snp(0, "chr10:3102907", "AG", {1, 4, 2}), make_snp(1, "chrMT:7", "A/G", {3, 4, 1}),
                                    make_snp(2, "weird", "I/D", {1, 4, 1}), make_snp(3, "chrUn_gl1:9", "[T/C]", {3, 4, 3})};
    testing::internal::CaptureStderr();
    auto w = make_plink_writer(dir + "/p");
    write_all(*w, run, snps);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(slurp(dir + "/p.fam"), "PL01_A01 PL01_A01 0 0 1 -9\nS_2 S_2 0 0 2 -9\nx x 0 0 0 -9\n");
    EXPECT_EQ(slurp(dir + "/p.bim"),
              "10\trs100\t0\t3102907\tG\tA\n"
              "MT\trs101\t0\t7\tG\tA\n"
              "0\trs102\t0\t0\t<B>\tN\n"
              "0\trs103\t0\t9\tC\tT\n");
    EXPECT_NE(err.find("SNP rs103 is on contig 'chrUn_gl1', which plink does not know"), std::string::npos) << err;
    EXPECT_NE(err.find("p.bim: 1 SNPs with a position that is not CHR:POS"), std::string::npos) << err;
    // Three individuals fill one byte per SNP; Y code 0 is a forced no call (01).
    std::string bed = slurp(dir + "/p.bed");
    ASSERT_EQ(bed.size(), 3u + 4u);
    EXPECT_EQ(bed.substr(0, 3), "\x6c\x1b\x01");
    EXPECT_EQ(static_cast<unsigned char>(bed[3]), 3u | 1u << 2 | 2u << 4);
    if (have_tool("plink1.9")) {
        int status = -1;
        shell("cd '" + dir + "' && plink1.9 --bfile p --allow-no-sex --freqx --out f > /dev/null 2>&1", &status);
        EXPECT_EQ(status, 0) << slurp(dir + "/f.log");
    }
}

TEST_F(PlinkWriter, PrefixCheckRefusesMissingFolder)
{
    EXPECT_EQ(plink_prefix_problem(dir + "/p"), "");
    EXPECT_EQ(plink_prefix_problem("p"), "");
    EXPECT_NE(plink_prefix_problem(dir + "/").find("must end in a file name"), std::string::npos);
    EXPECT_NE(plink_prefix_problem(dir + "/missing/p").find("does not exist"), std::string::npos);
}

TEST_F(PlinkWriter, FullDiskIsAWriteError)
{
    ASSERT_EQ(symlink("/dev/full", (dir + "/p.bed").c_str()), 0);
    auto w = make_plink_writer(dir + "/p");
    try {
        write_all(*w, make_run(2), {make_snp(0, "1:5", "AG", {1, 2})});
        ADD_FAILURE() << "no error";
    } catch (const write_error& e) {
        EXPECT_EQ(std::string(e.what()), "could not write " + dir + "/p.bed: No space left on device");
    }
}
