// VCF and BCF intensity input: the same intensities as a VCF, a BGZF VCF, a BCF
// and standard input give the very calls and probabilities of the text layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli_helpers.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;

bool have_tools()
{
    return std::system("bcftools --version > /dev/null 2>&1 && bgzip --version > /dev/null 2>&1") == 0;
}

std::string float_text(float f)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
    return buf;
}

// The double a float widens to, in a text that reads back as that double.
std::string widened_text(float f)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", static_cast<double>(f));
    return buf;
}

// A VCF built from the first rows of a text intensity file, and the text
// layout holding the very values tamsel should read from it.
struct pair_files {
    std::string vcf, text_xy, text_norm;
};

pair_files make_inputs(const std::string& source, int rows, const std::string& dir, const std::string& name)
{
    std::ifstream in(source);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> head;
    {
        std::istringstream h(line);
        std::string w;
        while (h >> w) head.push_back(w);
    }
    const size_t nind = (head.size() - 3) / 2;
    std::ostringstream vcf, xy, norm;
    vcf << "##fileformat=VCFv4.2\n##contig=<ID=1>\n##contig=<ID=15>\n##contig=<ID=X>\n"
        << "##INFO=<ID=ALLELE_A,Number=1,Type=Integer,Description=\"A allele\">\n"
        << "##INFO=<ID=ALLELE_B,Number=1,Type=Integer,Description=\"B allele\">\n"
        << "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
        << "##FORMAT=<ID=X,Number=1,Type=Integer,Description=\"Raw X\">\n"
        << "##FORMAT=<ID=Y,Number=1,Type=Integer,Description=\"Raw Y\">\n"
        << "##FORMAT=<ID=NORMX,Number=1,Type=Float,Description=\"Normalised X\">\n"
        << "##FORMAT=<ID=NORMY,Number=1,Type=Float,Description=\"Normalised Y\">\n"
        << "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    std::string header = "SNP\tCoor\tAlleles";
    for (size_t i = 0; i < nind; ++i) {
        const std::string s = head[3 + 2 * i].substr(0, head[3 + 2 * i].find('.'));
        vcf << "\t" << s;
        header += "\t" + s + ".A\t" + s + ".B";
    }
    vcf << "\n";
    xy << header << "\n";
    norm << header << "\n";
    for (int r = 1; r <= rows && std::getline(in, line); ++r) {
        std::istringstream l(line);
        std::string id, pos, alleles;
        l >> id >> pos >> alleles;
        const std::string chrom = pos.substr(0, pos.find(':')), at = pos.substr(pos.find(':') + 1);
        const std::string ref(1, alleles[0]), alt(1, alleles[1]);
        if (r == 2) {
            // Several ALT alleles: skipped, and no row of the text layout.
            vcf << chrom << "\t" << at << "\tmulti\t" << ref << "\t" << alt << ",T\t.\t.\t.\tGT";
            for (size_t i = 0; i < nind; ++i) vcf << "\t0/1";
            vcf << "\n";
            continue;
        }
        // ALLELE_A/ALLELE_B say which of REF/ALT is A on every other row, the B allele being REF on some.
        std::string info = ".", a_allele = ref, b_allele = alt;
        if (r % 2 == 1) {
            const bool swap = r % 4 == 1;
            info = swap ? "ALLELE_A=1;ALLELE_B=0" : "ALLELE_A=0;ALLELE_B=1";
            if (swap) std::swap(a_allele, b_allele);
        }
        const std::string vid = r % 5 == 0 ? "." : id;
        const std::string tid = r % 5 == 0 ? pos : id;
        const bool untagged = r == 7;
        vcf << chrom << "\t" << at << "\t" << vid << "\t" << ref << "\t" << alt << "\t.\t.\t" << info << "\t"
            << (untagged ? "GT" : "GT:X:Y:NORMX:NORMY");
        const std::string lead = tid + "\t" + pos + "\t[" + a_allele + "/" + b_allele + "]";
        xy << lead;
        norm << lead;
        for (size_t i = 0; i < nind; ++i) {
            double a, b;
            l >> a >> b;
            if (untagged) {
                vcf << "\t0/1";
                xy << "\tNaN\tNaN";
                norm << "\tNaN\tNaN";
                continue;
            }
            const long xa = std::lround(a * 1000), xb = std::lround(b * 1000);
            const float na = static_cast<float>(a * 0.9), nb = static_cast<float>(b * 1.1 + 1e-7 * r);
            // A missing value (".") here and there, in one tag of the pair only.
            const bool gap_x = (r * 7 + i) % 41 == 0, gap_norm = (r * 3 + i) % 37 == 0;
            vcf << "\t0/1:" << (gap_x ? "." : std::to_string(xa)) << ":" << xb << ":" << float_text(na) << ":"
                << (gap_norm ? "." : float_text(nb));
            xy << "\t" << (gap_x ? "NaN" : std::to_string(xa)) << "\t" << xb;
            norm << "\t" << widened_text(na) << "\t" << (gap_norm ? "NaN" : widened_text(nb));
        }
        vcf << "\n";
        xy << "\n";
        norm << "\n";
    }
    pair_files f{dir + "/" + name + ".vcf", dir + "/" + name + "_xy.txt", dir + "/" + name + "_norm.txt"};
    write_file(f.vcf, vcf.str());
    write_file(f.text_xy, xy.str());
    write_file(f.text_norm, norm.str());
    return f;
}

void expect_same_outputs(const std::string& dir, const std::string& got, const std::string& want,
                         const std::string& what)
{
    for (const char* file : {"_calls", "_probs"}) {
        const std::string g = slurp(dir + "/" + got + file), w = slurp(dir + "/" + want + file);
        EXPECT_FALSE(w.empty()) << what << file;
        EXPECT_TRUE(g == w) << what << file << " differs from the text layout's";
    }
}

class VcfInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!have_tools()) GTEST_SKIP() << "bcftools or bgzip is not installed";
        // One folder per test: ctest may run them at the same time.
        dir = scratch_dir(std::string("vcf_input_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // Converts the VCF to BGZF VCF and BCF beside it. bgzip keeps the text as it
    // stands: bcftools would rewrite each float with fewer digits.
    void convert(const std::string& vcf)
    {
        const std::string base = vcf.substr(0, vcf.size() - 4);
        ASSERT_EQ(std::system(("bgzip -c '" + vcf + "' > '" + base + ".vcf.gz' && bcftools view -Ob -o '" + base +
                               ".bcf' '" + vcf + "'")
                                  .c_str()),
                  0);
    }
    std::string dir;
};

TEST_F(VcfInput, EveryFormAndTagPairMatchesTheTextLayout)
{
    struct run_case {
        const char* source;
        const char* name;
        std::string opts;
    };
    const run_case cases[] = {{"example_auto.int", "auto", "-c -p -a"},
                              {"example_x.int", "chrx", "-c -p -X -g '" + DATA + "/example_x.gender'"}};
    for (const run_case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string& opts = c.opts;
        pair_files f = make_inputs(DATA + "/" + c.source, 40, dir, c.name);
        convert(f.vcf);
        const std::string base = dir + "/" + c.name;
        ASSERT_EQ(run_tamsel("-i '" + f.text_xy + "' -o '" + base + "_txy' " + opts, dir).status, 0);
        ASSERT_EQ(run_tamsel("-i '" + f.text_norm + "' -o '" + base + "_tnorm' " + opts, dir).status, 0);
        for (const char* ext : {".vcf", ".vcf.gz", ".bcf"}) {
            const std::string in = base + ext;
            run_result r = run_tamsel("-i '" + in + "' -o '" + base + "_vxy' " + opts, dir);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.err.find("1 record skipped"), std::string::npos) << r.err;
            EXPECT_NE(r.out.find("Total 39 SNPs in file"), std::string::npos) << r.out;
            expect_same_outputs(dir, std::string(c.name) + "_vxy", std::string(c.name) + "_txy", in + " X,Y");
            // Records read on one thread, fitted on three and written on another.
            const run_result many = run_tamsel("-i '" + in + "' -o '" + base + "_vmany' --threads 3 " + opts, dir);
            EXPECT_EQ(many.out, r.out) << in;
            EXPECT_EQ(many.err, r.err) << in;
            expect_same_outputs(dir, std::string(c.name) + "_vmany", std::string(c.name) + "_txy", in + " --threads 3");
            r = run_tamsel("-i '" + in + "' --intensities NORMX,NORMY -o '" + base + "_vnorm' " + opts, dir);
            ASSERT_EQ(r.status, 0) << r.err;
            expect_same_outputs(dir, std::string(c.name) + "_vnorm", std::string(c.name) + "_tnorm",
                                in + " NORMX,NORMY");
        }
    }
}

TEST_F(VcfInput, RowRangeAndStandardInputCountRecordsAsRows)
{
    pair_files f = make_inputs(DATA + "/example_auto.int", 30, dir, "range");
    convert(f.vcf);
    // The skipped record is no row: -s numbers the SNPs as the text layout does.
    ASSERT_EQ(run_tamsel("-i '" + f.text_xy + "' -o '" + dir + "/t' -c -p -s 4 12", dir).status, 0);
    run_result r = run_tamsel("-i '" + dir + "/range.bcf' -o '" + dir + "/v' -c -p -s 4 12", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Total 12 SNPs in file, 4 - 12 processed."), std::string::npos) << r.out;
    expect_same_outputs(dir, "v", "t", "-s 4 12");
    EXPECT_EQ(count_lines(slurp(dir + "/v_calls")), 10);

    for (const char* ext : {".vcf.gz", ".bcf"}) {
        r = run_tamsel("-i - -o '" + dir + "/p' -c -p -s 4 12 < '" + dir + "/range" + ext + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        expect_same_outputs(dir, "p", "t", std::string("standard input ") + ext);
    }
}

TEST_F(VcfInput, AllelesFromBasesOrDefaults)
{
    const std::string head =
        "##fileformat=VCFv4.2\n"
        "##INFO=<ID=ALLELE_A,Number=1,Type=String,Description=\"A allele\">\n"
        "##INFO=<ID=ALLELE_B,Number=1,Type=String,Description=\"B allele\">\n"
        "##FORMAT=<ID=X,Number=1,Type=Integer,Description=\"X\">\n"
        "##FORMAT=<ID=Y,Number=1,Type=Integer,Description=\"Y\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tS1\tS2\n";
    write_file(dir + "/bases.vcf", head +
                                       "2\t10\trs1\tA\tG\t.\t.\tALLELE_A=G;ALLELE_B=A\tX:Y\t10:900\t500:500\n"
                                       "2\t20\trs2\tC\tT\t.\t.\tALLELE_A=1;ALLELE_B=0\tX:Y\t10:900\t500:500\n"
                                       "2\t30\trs3\tC\tT\t.\t.\t.\tX:Y\t10:900\t500:500\n"
                                       "2\t40\trs4\tC\t.\t.\t.\tALLELE_A=0;ALLELE_B=-1\tX:Y\t10:900\t500:500\n");
    run_result r = run_tamsel("-i '" + dir + "/bases.vcf' -o '" + dir + "/b' -c", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream calls(slurp(dir + "/b_calls"));
    std::string line, first3;
    std::vector<std::string> got;
    while (std::getline(calls, line)) got.push_back(line.substr(0, line.find(' ', line.find(' ', line.find(' ') + 1) + 1)));
    const std::vector<std::string> want = {"SNP_id chr.position allele", "rs1 2:10 [G/A]", "rs2 2:20 [T/C]",
                                           "rs3 2:30 [C/T]", "rs4 2:40 [C/.]"};
    EXPECT_EQ(got, want);
}

TEST_F(VcfInput, RefusalsNameTheFileAndNeverPassForSuccess)
{
    pair_files f = make_inputs(DATA + "/example_auto.int", 30, dir, "bad");
    convert(f.vcf);
    const std::string out = "-o '" + dir + "/o' -c";

    run_result r = run_tamsel("-i '" + dir + "/bad.bcf' --strict " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.bcf record 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--strict"), std::string::npos) << r.err;

    r = run_tamsel("-i '" + dir + "/bad.vcf.gz' --intensities R,THETA " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("bad.vcf.gz declares no FORMAT tag R"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("X,Y,NORMX,NORMY"), std::string::npos) << r.out;

    r = run_tamsel("-i '" + dir + "/bad.vcf' --intensities GT,Y " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("FORMAT tag GT as String"), std::string::npos) << r.out;

    r = run_tamsel("-i '" + dir + "/bad.vcf' --intensities NORMX " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--intensities needs two FORMAT tags"), std::string::npos) << r.err;

    // Compressed files cut short inside a block, and at a block boundary (the
    // 28-byte end-of-file block missing).
    for (const char* ext : {".vcf.gz", ".bcf"}) {
        const std::string whole = slurp(dir + "/bad" + ext);
        for (size_t keep : {whole.size() * 2 / 3, whole.size() - 28}) {
            write_file(dir + "/cut" + ext, whole.substr(0, keep));
            r = run_tamsel("-i '" + dir + "/cut" + ext + "' " + out, dir);
            EXPECT_EQ(r.status, 1) << ext << " " << keep;
            EXPECT_NE((r.out + r.err).find("cut" + std::string(ext)), std::string::npos) << r.out << r.err;
            EXPECT_EQ(r.out.find("Total"), std::string::npos) << r.out;
        }
    }
    // A text line cut inside its samples is damaged; one cut before them is skipped.
    std::string text = slurp(f.vcf);
    const size_t last = text.rfind('\n', text.size() - 2);
    write_file(dir + "/short.vcf", text.substr(0, last + 200));
    r = run_tamsel("-i '" + dir + "/short.vcf' " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("short.vcf record 30"), std::string::npos) << r.err;
    size_t eighth = last;
    for (int tab = 0; tab < 8; ++tab) eighth = text.find('\t', eighth + 1);
    write_file(dir + "/short.vcf", text.substr(0, eighth) + "\n");
    r = run_tamsel("-i '" + dir + "/short.vcf' " + out, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("short.vcf record 30"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 records skipped"), std::string::npos) << r.err;
}

}  // namespace
