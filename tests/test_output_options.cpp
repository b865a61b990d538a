// The costs of the outputs as options set them: VCF/BCF values at the text
// files' digits, --vcf-fields, --compress-level and the shared compression
// threads, on runs of the shipped examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "writer_helpers.h"

namespace {

const std::string data_dir = TAMSEL_TEST_DATA;
const std::string autosomes = "-i '" + data_dir + "/example_auto.int'";
const std::string x_run = "-i '" + data_dir + "/example_x.int' -g '" + data_dir + "/example_x.gender' -X";

class OutputOptions : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        if (!have_tool("bcftools")) GTEST_SKIP() << "bcftools not installed";
    }
    // A run that must succeed.
    void ok(const std::string& args)
    {
        run_result r = run_tamsel(args, dir);
        ASSERT_EQ(r.status, 0) << args << "\n" << r.err;
    }
    std::string query(const std::string& format, const std::string& path)
    {
        int status = -1;
        std::string out = shell("bcftools query -f '" + format + "' '" + path + "'", &status);
        EXPECT_EQ(status, 0) << path;
        return out;
    }
};

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> v;
    std::stringstream in(s);
    for (std::string x; std::getline(in, x, sep);) v.push_back(x);
    return v;
}

// Text as the BCF stores it: a single-precision float.
float as_float(const std::string& text) { return static_cast<float>(std::stod(text)); }

// The significant digits of a number as bcftools prints it ("0.0001235" has 4).
int significant_digits(const std::string& text)
{
    const std::string mantissa = text.substr(0, text.find('e'));
    std::string digits;
    for (char c : mantissa)
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
    return static_cast<int>(digits.size());
}

// Genotype counts HOM_REF HET TWO_ALT HAP_REF HAP_ALT MISSING of every row of
// a calls file, as plink2 --geno-counts gives them for an autosome.
std::vector<std::array<long, 6>> counts_of_calls(const std::string& calls)
{
    std::vector<std::array<long, 6>> out;
    std::vector<std::string> rows = lines_of(calls);
    for (size_t k = 1; k < rows.size(); ++k) {
        std::istringstream in(rows[k]);
        std::string f;
        for (int j = 0; j < 3; ++j) in >> f;
        std::array<long, 6> c{};
        for (int call; in >> call;) ++c[call == 4 ? 5 : call - 1];
        out.push_back(c);
    }
    return out;
}

}  // namespace

// GP and PNULL carry 4 significant digits, are the probabilities file's
// numbers where the file's run is the one given (RUN=2), and GP peaks at GT,
// for two copies and for the single copy of X in males.
TEST_F(OutputOptions, VcfValuesAreTheTextFilesDigitsAndGpPeaksAtGt)
{
    for (const std::string& in : {autosomes, x_run}) {
        const std::string p = dir + "/r";
        ok(in + " -o '" + p + "' -p --vcf '" + p + ".bcf'");
        std::vector<std::string> probs = lines_of(slurp(p + "_probs"));
        std::vector<std::string> vcf = lines_of(query("%INFO/RUN\\t[%GT %GP %PNULL\\t]\\n", p + ".bcf"));
        ASSERT_EQ(vcf.size() + 1, probs.size()) << in;
        long called = 0, compared = 0;
        for (size_t s = 0; s < vcf.size(); ++s) {
            std::vector<std::string> text = split(probs[s + 1], ' ');
            std::vector<std::string> ind = split(vcf[s], '\t');
            const bool same_run = ind[0] == "2";
            ind.erase(ind.begin());
            ASSERT_EQ(text.size(), 3 + 4 * ind.size()) << "SNP " << s;
            for (size_t i = 0; i < ind.size(); ++i) {
                std::vector<std::string> f = split(ind[i], ' ');
                ASSERT_EQ(f.size(), 3u) << ind[i];
                const std::string* P = &text[3 + 4 * i];
                EXPECT_LE(significant_digits(f[2]), 4) << f[2];
                if (same_run) {
                    EXPECT_EQ(as_float(f[2]), as_float(P[3])) << "PNULL of SNP " << s << " individual " << i;
                }
                if (f[0] == "./." || f[0] == ".") {
                    EXPECT_EQ(f[1], ".");
                    continue;
                }
                ++called;
                std::vector<std::string> gp = split(f[1], ',');
                const bool haploid = f[0].size() == 1;
                ASSERT_EQ(gp.size(), haploid ? 2u : 3u) << f[1];
                std::vector<std::string> want = haploid ? std::vector<std::string>{P[0], P[2]}
                                                        : std::vector<std::string>{P[0], P[1], P[2]};
                std::vector<float> v;
                for (size_t j = 0; j < gp.size(); ++j) {
                    EXPECT_LE(significant_digits(gp[j]), 4) << gp[j];
                    if (same_run) {
                        EXPECT_EQ(as_float(gp[j]), as_float(want[j])) << "GP of SNP " << s << " individual " << i;
                    }
                    v.push_back(as_float(gp[j]));
                }
                compared += same_run;
                const size_t top = std::max_element(v.begin(), v.end()) - v.begin();
                EXPECT_EQ(std::count(v.begin(), v.end(), v[top]), 1) << f[1];
                const size_t at_gt = haploid ? (f[0] == "0" ? 0 : 1) : f[0] == "0/0" ? 0 : f[0] == "0/1" ? 1 : 2;
                EXPECT_EQ(top, at_gt) << "SNP " << s << " individual " << i << ": " << ind[i];
            }
        }
        EXPECT_GT(called, 1000) << in;
        EXPECT_GT(compared, 100) << in;
    }
}

// A subset keeps the order of the full file, declares only its own tags, and
// holds the full file's values; bcftools and plink2 read it.
TEST_F(OutputOptions, VcfFieldsSubsetsAreReadBack)
{
    const std::string p = dir + "/r";
    ok(autosomes + " -o '" + p + "' -c --vcf '" + p + ".bcf'");
    ok(autosomes + " -o '" + dir + "/s' --vcf '" + dir + "/gp.bcf' --vcf-fields GT,GP");
    ok(autosomes + " -o '" + dir + "/s' --vcf '" + dir + "/cs.vcf.gz' --vcf-fields=STRENGTH,GT,CONTRAST,GT");
    ok(autosomes + " -o '" + dir + "/s' --vcf '" + dir + "/gt.vcf' --vcf-fields GT");
    struct { const char* file; const char* format; int tags; const char* values; } cases[] = {
        {"/gp.bcf", "GT:GP", 2, "[%GT %GP ]\\n"},
        {"/cs.vcf.gz", "GT:CONTRAST:STRENGTH", 3, "[%GT %CONTRAST %STRENGTH ]\\n"},
        {"/gt.vcf", "GT", 1, "[%GT ]\\n"},
    };
    for (auto& c : cases) {
        const std::string path = dir + c.file;
        EXPECT_EQ(shell("bcftools view -H '" + path + "' | cut -f 9 | sort -u"), std::string(c.format) + "\n") << c.file;
        EXPECT_EQ(shell("bcftools view -h '" + path + "' | grep -c '^##FORMAT'"), std::to_string(c.tags) + "\n");
        EXPECT_EQ(query(c.values, path), query(c.values, p + ".bcf")) << c.file;
        // The sites and INFO are the full file's.
        EXPECT_EQ(shell("bcftools view -H '" + path + "' | cut -f 1-8"),
                  shell("bcftools view -H '" + p + ".bcf' | cut -f 1-8")) << c.file;
    }
    EXPECT_LT(slurp(dir + "/gp.bcf").size(), slurp(p + ".bcf").size() / 2);
    if (!have_tool("plink2")) GTEST_SKIP() << "plink2 not installed";
    const std::vector<std::array<long, 6>> want = counts_of_calls(slurp(p + "_calls"));
    for (const char* input : {"--bcf gp.bcf dosage=GP --hard-call-threshold 0.4", "--vcf cs.vcf.gz"}) {
        int status = -1;
        shell("cd '" + dir + "' && plink2 " + std::string(input) + " --geno-counts --out p2 > /dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << input << ": " << slurp(dir + "/p2.log");
        std::vector<count_row> got = count_table(dir + "/p2.gcount");
        ASSERT_EQ(got.size(), want.size()) << input;
        for (size_t s = 0; s < want.size(); ++s) EXPECT_EQ(got[s].n, want[s]) << input << " SNP " << s;
    }
}

// A bad --vcf-fields or --compress-level stops the run before any file exists.
TEST_F(OutputOptions, BadValuesTouchNoFile)
{
    const std::string in = autosomes + " -o '" + dir + "/o' -c";
    const std::string vcf = " --vcf '" + dir + "/v.bcf'";
    struct { std::string args; const char* err; } cases[] = {
        {vcf + " --vcf-fields GT,GQ", "\"GQ\" is not a FORMAT tag of --vcf (GT, GP, PNULL, CONTRAST, STRENGTH)"},
        {vcf + " --vcf-fields gt,gp", "\"gt\" is not a FORMAT tag"},
        {vcf + " --vcf-fields GT,,GP", "\"\" is not a FORMAT tag"},
        {vcf + " --vcf-fields=", "\"\" is not a FORMAT tag"},
        {vcf + " --vcf-fields GP,PNULL", "Option --vcf-fields needs GT among its tags, not \"GP,PNULL\"."},
        {vcf + " --vcf-fields", "Option --vcf-fields needs a value."},
        {" --compress-level 10", "Option --compress-level needs a BGZF level from 0 (stored) to 9 (smallest), not \"10\"."},
        {" --compress-level=-1 --bgzip", "not \"-1\""},
        {" --compress-level fast" + vcf, "not \"fast\""},
        {" --compress-level=", "not \"\""},
        {" --bgzip --compress-level", "Option --compress-level needs a value."},
    };
    for (auto& c : cases) {
        run_result r = run_tamsel(in + c.args, dir);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
        for (const char* f : {"/o_calls", "/o_calls.gz", "/v.bcf"}) EXPECT_FALSE(exists(dir + f)) << c.args << f;
    }
    run_result r = run_tamsel(in + " --vcf-fields GT,GP", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "--vcf-fields needs --vcf.\n");
    EXPECT_FALSE(exists(dir + "/o_calls"));
}

// Every compressed file is the same bytes for one, two and four threads, at
// the default level and at another; the VCF subsets too.
TEST_F(OutputOptions, CompressedFilesAreTheSameBytesForEveryThreadCount)
{
    const char* const files[] = {"_calls.gz", "_probs.gz", "_kmodelmu.gz", "_contrastmu.gz", "_snpqc.gz", "_sampleqc.gz", ".bcf", ".vcf.gz"};
    const std::string cases[] = {
        autosomes + " -c -p -k -u -a --qc --bgzip --vcf '@.bcf'",
        x_run + " -c -p -u -a --qc --bgzip --compress-level 1 --vcf '@.vcf.gz' --vcf-fields GT,GP,PNULL",
    };
    for (const std::string& c : cases) {
        std::string one[8];
        // One output name for all: the VCF header records the command line.
        const std::string p = dir + "/t";
        for (const char* t : {"1", "2", "4"}) {
            std::string args = c;
            args.replace(args.find('@'), 1, p);
            ok(args + " -o '" + p + "' --threads " + t);
            for (int k = 0; k < 8; ++k) {
                const std::string got = slurp(p + files[k]);
                if (std::string(t) == "1") one[k] = got;
                else EXPECT_TRUE(got == one[k]) << c << " --threads " << t << ": " << files[k];
            }
        }
        EXPECT_GT(one[1].size(), 10000u) << c;
    }
}

// Levels change the size, never the content; the default is level 6.
TEST_F(OutputOptions, CompressLevelsChangeOnlyTheSize)
{
    ok(autosomes + " -o '" + dir + "/plain' -c -p");
    long size[3] = {};
    const char* const levels[] = {"0", "1", "9"};
    for (int k = 0; k < 3; ++k) {
        const std::string p = dir + "/l" + levels[k];
        ok(autosomes + " -o '" + p + "' -c -p --bgzip --vcf '" + p + ".bcf' --threads 2 --compress-level " + levels[k]);
        for (const char* f : {"_calls", "_probs"}) {
            ASSERT_EQ(std::system(("bgzip -t '" + p + f + ".gz'").c_str()), 0) << levels[k] << f;
            EXPECT_EQ(shell("zcat '" + p + f + ".gz'"), slurp(dir + "/plain" + f)) << levels[k] << f;
        }
        size[k] = static_cast<long>(slurp(p + "_probs.gz").size() + slurp(p + ".bcf").size());
        EXPECT_EQ(shell("bcftools view -H '" + p + ".bcf'"), shell("bcftools view -H '" + dir + "/l0.bcf'")) << levels[k];
    }
    EXPECT_GT(size[0], size[1]);
    EXPECT_GT(size[1], size[2]);
    ok(autosomes + " -o '" + dir + "/d' -c -p --bgzip");
    ok(autosomes + " -o '" + dir + "/six' -c -p --bgzip --compress-level 6");
    EXPECT_TRUE(slurp(dir + "/d_probs.gz") == slurp(dir + "/six_probs.gz"));
}
