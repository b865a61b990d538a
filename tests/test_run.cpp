// Runs in every mode give the bytes of the plain single-threaded run: threads,
// compressed and piped input, compressed output; and long options.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli_helpers.h"

namespace {

const std::string data_dir = TAMSEL_TEST_DATA;
const char* const suffixes[] = {"_calls", "_probs", "_kmodelmu", "_contrastmu", "_snpqc", "_sampleqc"};
const int n_files = 6;

// The first n rows of an example file (header included), so runs stay short.
std::string head_rows(const std::string& path, int n)
{
    std::string all = slurp(path), out;
    size_t pos = 0;
    for (int k = 0; k <= n && pos < all.size(); ++k) {
        size_t e = all.find('\n', pos);
        out += all.substr(pos, e - pos + 1);
        pos = e + 1;
    }
    return out;
}

struct outputs {
    run_result r;
    std::string files[n_files];
};

class Modes : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    outputs run(const std::string& args, const std::string& name)
    {
        outputs o;
        o.r = run_tamsel(args + " -o '" + dir + "/" + name + "'", dir);
        for (int k = 0; k < n_files; ++k) o.files[k] = slurp(dir + "/" + name + suffixes[k]);
        return o;
    }
    void expect_same(const outputs& a, const outputs& b, const std::string& what)
    {
        EXPECT_EQ(a.r.status, b.r.status) << what;
        EXPECT_EQ(a.r.out, b.r.out) << what;
        for (int k = 0; k < n_files; ++k) EXPECT_EQ(a.files[k], b.files[k]) << what << suffixes[k];
    }
};

}  // namespace

// Every thread count writes the same console text and files as one thread,
// including the perturbation scores, which come from one stream in SNP order.
TEST_F(Modes, ThreadsGiveTheBytesOfOneThread)
{
    // A file that stops at a short row, with a SNP without data and a short pair count before it.
    std::string rows = head_rows(data_dir + "/example_auto.int", 60);
    std::string damaged;
    int line = 0;
    for (size_t pos = 0; pos < rows.size(); ++line) {
        size_t e = rows.find('\n', pos);
        std::string l = rows.substr(pos, e - pos);
        pos = e + 1;
        if (line == 7) {
            l = l.substr(0, l.find('\t', l.find('\t', l.find('\t') + 1) + 1));
            for (int i = 0; i < 200; ++i) l += "\tNaN\tNaN";
        }
        if (line == 12) l = l.substr(0, l.rfind('\t'));
        if (line == 45) l = "cut\t1:1\tAG\t1\t2";
        damaged += l + "\n";
    }
    write_file(dir + "/damaged.int", damaged);
    const std::string x = "-i '" + data_dir + "/example_x.int' -g '" + data_dir + "/example_x.gender'";
    const std::string a = "-i '" + data_dir + "/example_auto.int'";
    const std::vector<std::string> cases = {
        a + " -c -p -k -u -a",
        x + " -X -c -p -k -u -a --qc",
        x + " -Y -c -p -u -a -w",
        a + " -s 17 83 -c -p -k -u -a",
        a + " -s 250 -1 -c -k -n 0",
        "-i '" + dir + "/damaged.int' -c -p -k -u -a -t 0.6 --qc",
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        outputs one = run(cases[c] + " --threads 1", "one" + std::to_string(c));
        ASSERT_EQ(one.r.status, 0) << cases[c] << one.r.err;
        for (const char* t : {"2", "3"}) {
            outputs many = run(cases[c] + " --threads " + t, "many" + std::to_string(c));
            expect_same(one, many, cases[c] + " --threads " + t);
        }
    }
}

// gzip, BGZF, standard input and CR-only line ends read as the plain file does;
// --bgzip output decompresses to the plain files.
TEST_F(Modes, InputFormsAndCompressedOutput)
{
    const std::string plain = dir + "/in.int";
    write_file(plain, head_rows(data_dir + "/example_auto.int", 40));
    ASSERT_EQ(std::system(("gzip -c '" + plain + "' > '" + plain + ".gz' && bgzip -c '" + plain + "' > '" + plain +
                           ".bgz' && tr '\\n' '\\r' < '" + plain + "' > '" + plain + ".cr'").c_str()),
              0);
    const std::string opts = " -c -p -k -u -a";
    outputs ref = run("-i '" + plain + "'" + opts, "ref");
    ASSERT_EQ(ref.r.status, 0);
    expect_same(ref, run("-i '" + plain + ".gz'" + opts, "gz"), "gzip");
    expect_same(ref, run("-i '" + plain + ".bgz'" + opts + " --threads 2", "bgz"), "bgzf");
    expect_same(ref, run("-i '" + plain + ".cr'" + opts, "cr"), "CR line ends");
    expect_same(ref, run("-i - < '" + plain + ".gz'" + opts, "stdin"), "standard input");

    outputs z = run("-i '" + plain + "'" + opts + " --bgzip --threads 2", "z");
    EXPECT_EQ(z.r.out, ref.r.out);
    for (int k = 0; k < 4; ++k) {
        std::string p = dir + "/z" + suffixes[k];
        EXPECT_FALSE(exists(p));
        ASSERT_EQ(std::system(("bgzip -t '" + p + ".gz' && zcat '" + p + ".gz' > '" + p + "'").c_str()), 0);
        EXPECT_EQ(slurp(p), ref.files[k]) << suffixes[k];
    }
}

// A cut compressed input is an error after the rows before it were written whole.
TEST_F(Modes, TruncatedCompressedInputFails)
{
    const std::string plain = dir + "/in.int";
    write_file(plain, head_rows(data_dir + "/example_auto.int", 300));
    ASSERT_EQ(std::system(("gzip -c '" + plain + "' > '" + plain + ".gz' && bgzip -c '" + plain + "' > '" + plain +
                           ".bgz'").c_str()),
              0);
    for (const char* ext : {".gz", ".bgz"}) {
        std::string whole = slurp(plain + ext);
        write_file(dir + "/cut" + ext, whole.substr(0, whole.size() * 2 / 3));
        outputs o = run(std::string("-i '") + dir + "/cut" + ext + "' -c -p", std::string("cut") + ext);
        EXPECT_EQ(o.r.status, 1) << ext;
        EXPECT_NE(o.r.err.find("cut" + std::string(ext) + " line "), std::string::npos) << o.r.err;
        EXPECT_NE(o.r.err.find("damaged or cut short"), std::string::npos) << o.r.err;
        EXPECT_EQ(o.r.out.find("Total"), std::string::npos);
        EXPECT_GT(count_lines(o.files[0]), 1) << ext;
        EXPECT_EQ(o.files[0].back(), '\n');
        EXPECT_EQ(count_lines(o.files[0]), count_lines(o.files[1]));
    }
}

TEST_F(Modes, LongOptions)
{
    const std::string in = "-i '" + data_dir + "/example_auto.int' -o '" + dir + "/o' -c";
    struct { std::string args; int status; const char* err; } cases[] = {
        {in + " --frobnicate", 1, "Unknown option --frobnicate"},
        {in + " --threads", 1, "Option --threads needs a value."},
        {in + " --threads two", 1, "Option --threads needs a number"},
        {in + " --threads=-1", 1, "Option --threads needs a number"},
        {in + " --bgzip=yes", 1, "Option --bgzip takes no value."},
    };
    for (auto& c : cases) {
        run_result r = run_tamsel(c.args, dir);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(exists(dir + "/o_calls")) << c.args;
    }
    run_result help = run_tamsel("--help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--threads N"), std::string::npos);
    run_result version = run_tamsel("--version", dir);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tamsel ", 0), 0u);
    // A "--" word no longer counts as a single-letter option.
    run_result r = run_tamsel(in + " --c", dir);
    EXPECT_EQ(r.status, 1);
}

// --vcf and --plink alone make a complete run, the same for every thread count,
// and their genotypes are the calls file's.
TEST_F(Modes, VcfAndPlinkOutputsOfARun)
{
    const std::string x = "-i '" + data_dir + "/example_x.int' -g '" + data_dir + "/example_x.gender' -X -a";
    run_result none = run_tamsel(x + " -o '" + dir + "/n'", dir);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "Need to specify -c and / or -p\n");
    run_result bad = run_tamsel(x + " -o '" + dir + "/n' --vcf '" + dir + "/calls.txt'", dir);
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(exists(dir + "/n_calls"));

    std::string vcf[2], bim[2], bed[2];
    const std::string p = dir + "/r";
    for (int t = 0; t < 2; ++t) {
        run_result r = run_tamsel(x + " -o '" + p + "' --vcf '" + p + ".vcf.gz' --plink '" + p + "' --threads " +
                                      std::to_string(1 + 2 * t),
                                  dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("Total 100 SNPs"), std::string::npos);
        EXPECT_FALSE(exists(p + "_calls"));
        vcf[t] = slurp(p + ".vcf.gz");
        bim[t] = slurp(p + ".bim");
        bed[t] = slurp(p + ".bed");
    }
    EXPECT_TRUE(vcf[0] == vcf[1]);
    EXPECT_TRUE(bim[0] == bim[1]);
    EXPECT_TRUE(bed[0] == bed[1]);

    // The genotypes read back by bcftools are the calls file's, haploid for code 1.
    run_result c = run_tamsel(x + " -o '" + dir + "/c' -c", dir);
    ASSERT_EQ(c.status, 0);
    const std::string q = dir + "/q.txt";
    ASSERT_EQ(std::system(("bcftools query -f '[%GT ]\\n' '" + p + ".vcf.gz' > '" + q + "'").c_str()), 0);
    std::string calls = slurp(dir + "/c_calls"), gts = slurp(q), gender = slurp(data_dir + "/example_x.gender");
    std::istringstream cs(calls.substr(calls.find('\n') + 1)), gs(gts), ge(gender);
    std::vector<int> code;
    for (int g; ge >> g;) code.push_back(g);
    std::string crow, grow;
    int rows = 0;
    while (std::getline(cs, crow) && std::getline(gs, grow)) {
        std::istringstream cf(crow), gf(grow);
        std::string f;
        for (int k = 0; k < 4; ++k) cf >> f;  // id, position, allele, pert_score
        for (size_t i = 0; cf >> f; ++i) {
            std::string gt;
            gf >> gt;
            const bool one = code[i] == 1;
            const char* want = f == "1" ? (one ? "0" : "0/0")
                             : f == "2" ? "0/1"
                             : f == "3" ? (one ? "1" : "1/1")
                                        : (one ? "." : "./.");
            ASSERT_EQ(gt, want) << "row " << rows << " individual " << i;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 100);
}
