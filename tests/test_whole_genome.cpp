// --whole-genome: a file of every chromosome, each row fitted and written as the
// run with its chromosome's option writes it, in every output.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli_helpers.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;
const std::string GENDER = DATA + "/example_x.gender";

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> v;
    std::istringstream in(line);
    std::string w;
    while (std::getline(in, w, '\t')) v.push_back(w);
    return v;
}

// Autosome rows of example_auto with the X rows of example_x between them, each
// X row renamed to one of the contig spellings; CRLF ends, no final line end.
struct genome {
    std::string text;
    std::vector<char> kind;  // per row: 'A' autosome, 'X', 'Y', 'M'
};

genome mixed_genome()
{
    const std::vector<std::string> a = lines_of(slurp(DATA + "/example_auto.int"));
    const std::vector<std::string> x = lines_of(slurp(DATA + "/example_x.int"));
    const std::pair<const char*, char> names[] = {{"X", 'X'},    {"chrX", 'X'}, {"23", 'X'},   {"Y", 'Y'},
                                                  {"chrY", 'Y'}, {"24", 'Y'},   {"MT", 'M'},   {"M", 'M'},
                                                  {"chrM", 'M'}, {"chrMT", 'M'}, {"26", 'M'},  {"XY", 'A'},
                                                  {"25", 'A'},   {"x", 'X'}};
    genome g;
    std::vector<std::string> rows{a[0]};
    size_t next_auto = 1;
    for (size_t k = 1; k < x.size(); ++k) {
        std::vector<std::string> f = fields(x[k]);
        const auto& n = names[k % (sizeof names / sizeof names[0])];
        f[0] += std::string("_") + n.first;
        f[1] = n.first + f[1].substr(f[1].find(':'));
        std::string row;
        for (size_t i = 0; i < f.size(); ++i) row += (i ? "\t" : "") + f[i];
        rows.push_back(row);
        g.kind.push_back(n.second);
        for (int j = 0; j < 2 && next_auto < a.size(); ++j) {
            rows.push_back(a[next_auto++]);
            g.kind.push_back('A');
        }
    }
    for (size_t i = 0; i < rows.size(); ++i) g.text += rows[i] + (i + 1 < rows.size() ? "\r\n" : "");
    return g;
}

const char* const TEXT[] = {"_calls", "_probs", "_kmodelmu", "_contrastmu", "_snpqc"};

// The data lines of a VCF, via bcftools.
std::vector<std::string> vcf_records(const std::string& path, const std::string& dir)
{
    const std::string body = dir + "/records.txt";
    if (std::system(("bcftools view -H " + q(path) + " > " + q(body)).c_str()) != 0) return {};
    return lines_of(slurp(body));
}

TEST(WholeGenome, EveryRowAsTheRunWithItsChromosomeOptionWritesIt)
{
    const std::string dir = scratch_dir("whole_genome");
    const genome g = mixed_genome();
    const std::string input = dir + "/wg.int";
    write_file(input, g.text);
    const size_t rows = g.kind.size();
    auto outputs = [&](const std::string& p) {
        return " -o " + q(p) + " -c -p -k -u -a --qc --plink " + q(p) + " --vcf " + q(p + ".vcf");
    };
    run_result wg = run_tamsel("-i " + q(input) + outputs(dir + "/wg") + " --whole-genome -g " + q(GENDER), dir);
    ASSERT_EQ(wg.status, 0) << wg.out << wg.err;
    EXPECT_NE(wg.out.find("Total " + std::to_string(rows) + " SNPs in file"), std::string::npos) << wg.out;

    // Threads change no byte.
    run_result t3 = run_tamsel("-i " + q(input) + outputs(dir + "/t3") + " --whole-genome -g " + q(GENDER) +
                                   " --threads 3",
                               dir);
    ASSERT_EQ(t3.status, 0) << t3.err;
    for (const char* s : {"_calls", "_probs", "_kmodelmu", "_contrastmu", "_snpqc", "_sampleqc", ".bed", ".bim",
                          ".fam"})
        EXPECT_TRUE(slurp(dir + "/wg" + s) == slurp(dir + "/t3" + s)) << s << " differs with 3 threads";
    EXPECT_EQ(vcf_records(dir + "/wg.vcf", dir), vcf_records(dir + "/t3.vcf", dir));

    // Each chromosome's run over all rows draws the same random stream, so its
    // rows of that chromosome are the whole-genome run's rows.
    const std::vector<std::string> wg_vcf = vcf_records(dir + "/wg.vcf", dir);
    const std::string wg_bed = slurp(dir + "/wg.bed");
    const std::vector<std::string> wg_bim = lines_of(slurp(dir + "/wg.bim"));
    ASSERT_EQ(wg_vcf.size(), rows);
    const size_t row_bytes = (200 + 3) / 4;
    ASSERT_EQ(wg_bed.size(), 3 + rows * row_bytes);
    for (const auto& c : std::vector<std::pair<char, std::string>>{{'A', ""}, {'X', "-X"}, {'Y', "-Y"}, {'M', "-M"}}) {
        const std::string p = dir + "/one" + c.first;
        run_result one = run_tamsel("-i " + q(input) + outputs(p) + " " + c.second +
                                        (c.second.empty() ? "" : " -g " + q(GENDER)),
                                    dir);
        ASSERT_EQ(one.status, 0) << one.err;
        size_t checked = 0;
        for (const char* s : TEXT) {
            const std::vector<std::string> a = lines_of(slurp(dir + "/wg" + s)), b = lines_of(slurp(p + s));
            ASSERT_EQ(a.size(), rows + 1) << s;
            ASSERT_EQ(b.size(), rows + 1) << s;
            EXPECT_EQ(a[0], b[0]) << s;
            for (size_t r = 0; r < rows; ++r)
                if (g.kind[r] == c.first) {
                    EXPECT_EQ(a[r + 1], b[r + 1]) << s << " row " << r + 1 << " as " << c.first;
                    ++checked;
                }
        }
        const std::vector<std::string> vcf = vcf_records(p + ".vcf", dir);
        const std::string bed = slurp(p + ".bed");
        const std::vector<std::string> bim = lines_of(slurp(p + ".bim"));
        ASSERT_EQ(vcf.size(), rows);
        ASSERT_EQ(bed.size(), wg_bed.size());
        for (size_t r = 0; r < rows; ++r)
            if (g.kind[r] == c.first) {
                EXPECT_EQ(wg_vcf[r], vcf[r]) << "VCF row " << r + 1 << " as " << c.first;
                EXPECT_EQ(wg_bim[r], bim[r]) << ".bim row " << r + 1;
                EXPECT_TRUE(wg_bed.compare(3 + r * row_bytes, row_bytes, bed, 3 + r * row_bytes, row_bytes) == 0)
                    << ".bed row " << r + 1 << " as " << c.first;
            }
        EXPECT_GT(checked, 0u) << c.first;
        if (c.first == 'X') {
            EXPECT_TRUE(slurp(dir + "/wg.fam") == slurp(p + ".fam"));
        }
    }
    // The copy rules per row: on X (row 1) a code-1 sample is haploid, a code-0 one
    // diploid; on an autosome (row 2) both are diploid.
    const std::vector<std::string> codes = lines_of(slurp(GENDER));
    ASSERT_EQ(g.kind[0], 'X');
    ASSERT_EQ(g.kind[1], 'A');
    for (size_t i = 0; i < codes.size(); ++i) {
        const std::string x_gt = fields(wg_vcf[0])[9 + i], a_gt = fields(wg_vcf[1])[9 + i];
        EXPECT_EQ(x_gt.substr(0, x_gt.find(':')).size(), codes[i] == "1" ? 1u : 3u) << x_gt;
        EXPECT_EQ(a_gt.substr(0, a_gt.find(':')).size(), 3u) << a_gt;
    }

    // The sex check reads the X rows only: it is that of a -X run over them
    // (without -a, whose re-fit moves the centres it reads).
    ASSERT_EQ(run_tamsel("-i " + q(input) + " -o " + q(dir + "/nopert") + " -c --qc --whole-genome -g " + q(GENDER), dir)
                  .status,
              0);
    std::string x_only;
    const std::vector<std::string> all = lines_of(g.text);
    x_only = all[0] + "\n";
    for (size_t r = 0; r < rows; ++r)
        if (g.kind[r] == 'X') x_only += all[r + 1] + "\n";
    write_file(dir + "/x.int", x_only);
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/x.int") + " -o " + q(dir + "/x") + " -c --qc -X -g " + q(GENDER), dir)
                  .status,
              0);
    const std::vector<std::string> a = lines_of(slurp(dir + "/nopert_sampleqc")), b = lines_of(slurp(dir + "/x_sampleqc"));
    ASSERT_EQ(a.size(), 201u);
    ASSERT_EQ(b.size(), 201u);
    for (size_t i = 0; i < a.size(); ++i) {
        std::vector<std::string> fa = fields(a[i]), fb = fields(b[i]);
        ASSERT_EQ(fa.size(), 10u);
        ASSERT_EQ(fb.size(), 10u);
        for (size_t k = 3; k < 10; ++k) EXPECT_EQ(fa[k], fb[k]) << "sampleqc line " << i + 1 << " column " << k + 1;
        EXPECT_EQ(fa[0], fb[0]);
    }
}

TEST(WholeGenome, NeedsAGenderFileAndNoOtherChromosomeOption)
{
    const std::string dir = scratch_dir("whole_genome_refused");
    write_file(dir + "/in.int", slurp(DATA + "/example_auto.int"));
    const std::string base = "-i " + q(dir + "/in.int") + " -o " + q(dir + "/out") + " -c --whole-genome";
    run_result r = run_tamsel(base, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Need to specify a gender file.\n");
    for (const char* letter : {" -X", " -Y", " -M"}) {
        r = run_tamsel(base + letter + " -g " + q(GENDER), dir);
        EXPECT_EQ(r.status, 1) << letter;
        EXPECT_NE((r.out + r.err).find("cannot be combined with -X, -Y or -M"), std::string::npos) << letter;
    }
    EXPECT_FALSE(exists(dir + "/out_calls"));
    // On autosomes alone it is the plain run.
    ASSERT_EQ(run_tamsel(base + " -a -g " + q(GENDER), dir).status, 0);
    ASSERT_EQ(run_tamsel("-i " + q(dir + "/in.int") + " -o " + q(dir + "/plain") + " -c -a", dir).status, 0);
    EXPECT_TRUE(slurp(dir + "/out_calls") == slurp(dir + "/plain_calls"));
}

}  // namespace
