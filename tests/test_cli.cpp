// The program as a user runs it: ranges, console lines, exit status, bad input
// and the exact layout of the four files for SNPs without usable data.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_helpers.h"

namespace {

// n rows of SNPs in which every intensity is missing, for nind individuals.
std::string missing_rows(int n, int nind, int first = 1)
{
    std::string s;
    for (int r = first; r < first + n; ++r) {
        s += "rs" + std::to_string(r) + "\t1:" + std::to_string(100 * r) + "\tAG";
        for (int i = 0; i < nind; ++i) s += "\tNaN\tNaN";
        s += "\n";
    }
    return s;
}

std::string header(int nind)
{
    std::string s = "SNP\tCoor\tAlleles";
    for (int i = 1; i <= nind; ++i) s += "\tS" + std::to_string(i) + ".A\tS" + std::to_string(i) + ".B";
    return s + "\n";
}

class Cli : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string in(const std::string& text, const std::string& name = "in.txt")
    {
        write_file(dir + "/" + name, text);
        return "'" + dir + "/" + name + "'";
    }
    std::string out() { return "'" + dir + "/out'"; }
    std::string file(const std::string& suffix) { return slurp(dir + "/out" + suffix); }
};

}  // namespace

TEST_F(Cli, RangeRules)
{
    std::string input = in(header(2) + missing_rows(10, 2));
    struct { const char* s; const char* total; int rows; const char* first_id; } cases[] = {
        {"", "Total 10 SNPs in file, 1 - 10 processed.\n", 10, "rs1 "},
        {"-s 3 5", "Total 5 SNPs in file, 3 - 5 processed.\n", 3, "rs3 "},
        {"-s 5 2", "Total 5 SNPs in file, 5 - 5 processed.\n", 1, "rs5 "},
        {"-s 0 0", "Total 0 SNPs in file, 1 - 0 processed.\n", 0, ""},
        {"-s 2 -7", "Total 10 SNPs in file, 2 - 10 processed.\n", 9, "rs2 "},
        {"-s 12 20", "Total 10 SNPs in file, 12 - 20 processed.\n", 0, ""},
    };
    for (auto& c : cases) {
        run_result r = run_tamsel("-i " + input + " -o " + out() + " -c " + c.s, dir);
        EXPECT_EQ(r.status, 0) << c.s;
        std::string calls = file("_calls");
        EXPECT_EQ(count_lines(calls), 1 + c.rows) << c.s;
        EXPECT_EQ(calls.substr(0, calls.find('\n') + 1), "SNP_id chr.position allele S1 S2 \n");
        if (c.rows > 0) {
            EXPECT_EQ(calls.substr(calls.find('\n') + 1, 4), c.first_id) << c.s;
        }
        ASSERT_GE(r.out.size(), 14u);
        EXPECT_EQ(r.out.substr(0, 14), "2 individuals\n");
        EXPECT_EQ(r.out.substr(r.out.size() - std::string(c.total).size()), c.total) << c.s;
        // Only the tenth processed SNP prints a progress line.
        EXPECT_EQ(r.out.find("SNP 10 \n") != std::string::npos, c.rows == 10) << c.s;
    }
}

TEST_F(Cli, ProgressLinesEveryTenSnps)
{
    run_result r = run_tamsel("-i " + in(header(1) + missing_rows(25, 1)) + " -o " + out() + " -p", dir);
    EXPECT_EQ(r.out, "1 individuals\nSNP 10 \nSNP 20 \nTotal 25 SNPs in file, 1 - 25 processed.\n");
}

TEST_F(Cli, EveryFileForSnpsWithoutUsableData)
{
    run_result r = run_tamsel("-i " + in(header(2) + missing_rows(2, 2)) + " -o " + out() + " -c -p -k -u -a", dir);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(file("_calls"),
              "SNP_id chr.position allele pert_score S1 S2 \n"
              "rs1 1:100 AG 1 4 4 \n"
              "rs2 1:200 AG 1 4 4 \n");
    EXPECT_EQ(file("_probs"),
              "SNP_id chr.position allele pert_score S1.AA S1.AB S1.BB S1.NULL S2.AA S2.AB S2.BB S2.NULL \n"
              "rs1 1:100 AG 1 0 0 0 1 0 0 0 1 \n"
              "rs2 1:200 AG 1 0 0 0 1 0 0 0 1 \n");
    // No fit: the model columns say so rather than repeating another SNP's values.
    EXPECT_EQ(file("_kmodelmu"),
              "SNP_id\tchr.position\tallele\tmu mu_1 mu_2 kmodel final_call_select pos1 pos2 rangec1 rangecmid rangec2\n"
              "rs1 1:100 AG nan nan nan 0 0 -1 -1 nan nan nan\n"
              "rs2 1:200 AG nan nan nan 0 0 -1 -1 nan nan nan\n");
    EXPECT_EQ(file("_contrastmu"),
              "SNP_id chr.position allele MU_AA\tMU_AB\tMU_BB\tn_AA\tn_AB\tn_BB\n"
              "rs1 1:100 AG nan nan nan 0 0 0\n"
              "rs2 1:200 AG nan nan nan 0 0 0\n");
    EXPECT_EQ(r.out, "2 individuals\nTotal 2 SNPs in file, 1 - 2 processed.\n");
}

// Repeated and zero intensities leave a cluster whose covariance passes the
// determinant test but is singular to the inversion: that cluster gets no
// density instead of the run aborting.
TEST_F(Cli, ClusterSingularToTheInversionDoesNotAbort)
{
    const std::string row = "rs1\t1:100\tCT\t3.44\t0.323\t2.31\t0.167\t1.56\t4.03\t0.393\t4.30\t0.494\t2.30"
                            "\t0.218\t3.03\t0.393\t4.30\t0.494\t2.30\t0.218\t0\t0\t0\t0\t0\t0\t0\t1.56\t4.03"
                            "\t0.393\t4.30\t0.494\t2.30\t0.218\t3.01\t0.288\t2.10\t0.156\t2.14\t0\t0\t0\t2.29"
                            "\t0.209\tNaN\n";
    run_result r = run_tamsel("-i " + in(header(21) + row) + " -o " + out() + " -c -p", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "21 individuals\nTotal 1 SNPs in file, 1 - 1 processed.\n");
    const std::string calls = file("_calls");
    ASSERT_EQ(count_lines(calls), 2);
    const std::string last = calls.substr(calls.find('\n') + 1);
    EXPECT_EQ(std::count(last.begin(), last.end(), ' '), 3 + 21) << last;
    EXPECT_EQ(count_lines(file("_probs")), 2);
}

TEST_F(Cli, HeadersAndEmptyRange)
{
    run_result r = run_tamsel("-i " + in("SNP Coor Alleles S1.Raw.A S1.Raw.B .A .B S3 x extra\n" + missing_rows(3, 3)) +
                                  " -o " + out() + " -p -k -u -s 0 0",
                              dir);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(file("_probs"),
              "SNP_id chr.position allele S1.AA S1.AB S1.BB S1.NULL .AA .AB .BB .NULL S3.AA S3.AB S3.BB S3.NULL \n");
    EXPECT_EQ(count_lines(file("_kmodelmu")), 1);
    EXPECT_EQ(count_lines(file("_contrastmu")), 1);
}

TEST_F(Cli, NoIndividuals)
{
    run_result r = run_tamsel("-i " + in("SNP Coor Alleles odd\nrs1 1:1 AG\nrs2 1:2 AG 5\n") + " -o " + out() + " -c -p", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(file("_calls"), "SNP_id chr.position allele \nrs1 1:1 AG \nrs2 1:2 AG \n");
    EXPECT_EQ(file("_probs"), "SNP_id chr.position allele \nrs1 1:1 AG \nrs2 1:2 AG \n");
    EXPECT_NE(r.out.find("0 individuals\n"), std::string::npos);
}

TEST_F(Cli, OptionChecksTouchNoFile)
{
    std::string input = in(header(1) + missing_rows(1, 1));
    struct { std::string args, msg; } cases[] = {
        {"-c", "Need to specify both an input and an output file.\n"},
        {"-i " + input + " -c", "Need to specify both an input and an output file.\n"},
        {"-i " + input + " -o " + out() + " -c -g g.txt", "Need to specify a gender file.\n"},
        {"-i " + input + " -o " + out() + " -c -X", "Need to specify a gender file.\n"},
        {"-i " + input + " -o " + out() + " -k -u", "Need to specify -c and / or -p\n"},
        {"-i " + input + " -o " + out() + " -c -n", "Option -n needs a value.\n"},
    };
    for (auto& c : cases) {
        run_result r = run_tamsel(c.args, dir);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.out, c.msg) << c.args;
        EXPECT_FALSE(exists(dir + "/out_calls"));
        EXPECT_FALSE(exists(dir + "/out_kmodelmu"));
    }
}

TEST_F(Cli, UnreadableInputsFailWithStatusOne)
{
    std::string input = in(header(1) + missing_rows(1, 1));
    run_result r = run_tamsel("-i '" + dir + "/nope.txt' -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error : Could not open " + dir + "/nope.txt\n");
    EXPECT_FALSE(exists(dir + "/out_calls"));
    // The gender file is read first, so it is the one reported.
    r = run_tamsel("-i '" + dir + "/nope.txt' -o " + out() + " -c -X -g '" + dir + "/nog.txt'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error : Could not open " + dir + "/nog.txt\n");
    r = run_tamsel("-i " + in("") + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no header line"), std::string::npos);
    r = run_tamsel("-i " + in("SNP Coor\n") + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists(dir + "/out_calls"));
}

TEST_F(Cli, UnwritableOutputStopsBeforeAnyRow)
{
    std::string input = in(header(1) + missing_rows(3, 1));
    run_result r = run_tamsel("-i " + input + " -o '" + dir + "/no/such/dir/out' -c -p", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Error : Could not open " + dir + "/no/such/dir/out_calls\n"), std::string::npos);
    EXPECT_EQ(r.out.find("Total"), std::string::npos);
}

TEST_F(Cli, GenderFileTooShortForTheIndividuals)
{
    std::string input = in(header(3) + missing_rows(2, 3));
    std::string g = in("1\n0\n", "gender.txt");
    run_result r = run_tamsel("-i " + input + " -o " + out() + " -c -X -g " + g, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("has 2 codes"), std::string::npos);
    EXPECT_NE(r.out.find("3 individuals"), std::string::npos);
    EXPECT_FALSE(exists(dir + "/out_calls"));
    // Reading stops at an empty line or one starting with a tab: "1", "0", "1" then a blank line.
    write_file(dir + "/gender.txt", "1\n0\n1\n\n5\n");
    r = run_tamsel("-i " + input + " -o " + out() + " -c -X -g " + g, dir);
    EXPECT_EQ(r.status, 0);
    write_file(dir + "/gender.txt", "1\n0\n\t1\n");
    r = run_tamsel("-i " + input + " -o " + out() + " -c -Y -g " + g, dir);
    EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, ShortOrEmptyRowEndsTheReadingWithAWarning)
{
    std::string text = header(2) + missing_rows(2, 2) + "\n" + missing_rows(2, 2, 3);
    run_result r = run_tamsel("-i " + in(text) + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count_lines(file("_calls")), 3);
    EXPECT_NE(r.out.find("Total 2 SNPs in file, 1 - 2 processed."), std::string::npos);
    EXPECT_NE(r.err.find("line 4"), std::string::npos) << r.err;
    // A blank last line is an ordinary end of file.
    r = run_tamsel("-i " + in(header(2) + missing_rows(2, 2) + "\n\n") + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.err, "");
    // A truncated last row is reported too.
    r = run_tamsel("-i " + in(header(3) + missing_rows(2, 3) + "rs9 1:9\n") + " -o " + out() + " -c", dir);
    EXPECT_NE(r.err.find("line 4"), std::string::npos) << r.err;
}

TEST_F(Cli, PairCountMessageContinuesTheLine)
{
    run_result r = run_tamsel("-i " + in(header(2) + "rs1 1:1 AG NaN NaN NaN NaN NaN NaN\n") + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.out, "2 individuals\nsnp 1 dat.vec.size()=3Total 1 SNPs in file, 1 - 1 processed.\n");
    // A row with enough fields but too few pairs: the individuals without a pair are missing.
    r = run_tamsel("-i " + in(header(4) + "rs1 1:1 AG NaN NaN\n") + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(file("_calls"), "SNP_id chr.position allele S1 S2 S3 S4 \nrs1 1:1 AG 4 4 4 4 \n");
}

TEST_F(Cli, LinesWiderThanSevenMebibytes)
{
    const int nind = 500000;  // about 8 MB a row
    std::string text = header(nind) + missing_rows(2, nind);
    run_result r = run_tamsel("-i " + in(text) + " -o " + out() + " -c", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Total 2 SNPs in file, 1 - 2 processed."), std::string::npos);
    EXPECT_EQ(r.out.find("dat.vec.size()"), std::string::npos);
    EXPECT_EQ(count_lines(file("_calls")), 3);
}
