// tamsel_simulate: reproducible files, exact layout, genotypes that match the intensities.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string temp_dir()
{
    std::string t = ::testing::TempDir() + "tools_sim.XXXXXX";
    return mkdtemp(t.data()) ? t : std::string();
}

int simulate(const std::string& args)
{
    const int st = std::system((std::string(TOOLS_SIMULATE) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> lines(const std::string& path)
{
    std::vector<std::string> v;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> v;
    std::string f;
    std::istringstream in(s);
    while (std::getline(in, f, sep)) v.push_back(f);
    if (!s.empty() && s.back() == sep) v.emplace_back();  // keeps a trailing separator visible
    return v;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? NAN : v[v.size() / 2];
}

class Simulate : public ::testing::Test {
protected:
    void SetUp() override { dir = temp_dir(); ASSERT_FALSE(dir.empty()); }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string dir;
};

TEST_F(Simulate, SameSeedGivesSameFilesAndSnpsDoNotDependOnTheirCount)
{
    ASSERT_EQ(simulate("--snps 30 --samples 40 --seed 5 --out " + dir + "/a"), 0);
    ASSERT_EQ(simulate("--snps 30 --samples 40 --seed 5 --out " + dir + "/b"), 0);
    ASSERT_EQ(simulate("--snps 30 --samples 40 --seed 6 --out " + dir + "/c"), 0);
    ASSERT_EQ(simulate("--snps 10 --samples 40 --seed 5 --out " + dir + "/d"), 0);
    EXPECT_EQ(slurp(dir + "/a.int"), slurp(dir + "/b.int"));
    EXPECT_EQ(slurp(dir + "/a.truth"), slurp(dir + "/b.truth"));
    EXPECT_NE(slurp(dir + "/a.int"), slurp(dir + "/c.int"));
    // Fewer SNPs give the same first rows: the benchmark sizes share their data.
    const auto a = lines(dir + "/a.int"), d = lines(dir + "/d.int");
    ASSERT_EQ(d.size(), 11u);
    EXPECT_TRUE(std::equal(d.begin(), d.end(), a.begin()));
}

TEST_F(Simulate, IntAndTruthHaveTheExportLayout)
{
    const int n = 100;  // more than one plate of 96
    ASSERT_EQ(simulate("--snps 40 --samples 100 --seed 3 --missing 0.02 --chrom 15 --out " + dir + "/s"), 0);
    const auto in = lines(dir + "/s.int"), truth = lines(dir + "/s.truth");
    ASSERT_EQ(in.size(), 41u);
    ASSERT_EQ(truth.size(), 41u);
    EXPECT_FALSE(std::ifstream(dir + "/s.gender").good());

    const auto h = split(in[0], '\t'), th = split(truth[0], ' ');
    ASSERT_EQ(h.size(), 3u + 2 * n);
    ASSERT_EQ(th.size(), 1u + n);
    EXPECT_EQ(h[0], "SNP");
    EXPECT_EQ(h[1], "Coor");
    EXPECT_EQ(h[2], "Alleles");
    EXPECT_EQ(th[0], "SNP_id");
    EXPECT_EQ(th[1], "PL01_A01");
    EXPECT_EQ(th[2], "PL01_B01");
    EXPECT_EQ(th[9], "PL01_A02");
    EXPECT_EQ(th[97], "PL02_A01");
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(h[3 + 2 * i], th[1 + i] + ".A");
        EXPECT_EQ(h[4 + 2 * i], th[1 + i] + ".B");
    }

    // Three significant digits, at most three decimals, never zero.
    const std::regex value(R"(0\.(00[1-9]|0[1-9][0-9]|[1-9][0-9]{2})|[1-9]\.[0-9]{2}|[1-9][0-9]\.[0-9]|[1-9][0-9]{2})");
    long nan_pairs = 0, last_pos = 0;
    for (size_t r = 1; r < in.size(); ++r) {
        const auto f = split(in[r], '\t'), t = split(truth[r], ' ');
        ASSERT_EQ(f.size(), 3u + 2 * n) << "row " << r;
        ASSERT_EQ(t.size(), 1u + n) << "row " << r;
        EXPECT_TRUE(std::regex_match(f[0], std::regex("rs[0-9]+")));
        EXPECT_EQ(f[0], t[0]);
        ASSERT_EQ(f[1].rfind("15:", 0), 0u) << f[1];
        const long pos = std::stol(f[1].substr(3));
        EXPECT_GT(pos, last_pos);
        last_pos = pos;
        EXPECT_TRUE(std::regex_match(f[2], std::regex("[ACGT]{2}")));
        for (int i = 0; i < n; ++i) {
            const std::string& a = f[3 + 2 * i];
            const std::string& b = f[4 + 2 * i];
            EXPECT_TRUE(t[1 + i] == "1" || t[1 + i] == "2" || t[1 + i] == "3") << t[1 + i];
            if (a == "NaN" || b == "NaN") {
                EXPECT_EQ(a, b) << "a NaN comes in pairs";
                ++nan_pairs;
                continue;
            }
            EXPECT_TRUE(std::regex_match(a, value)) << a;
            EXPECT_TRUE(std::regex_match(b, value)) << b;
        }
    }
    EXPECT_GT(nan_pairs, 0);
}

TEST_F(Simulate, XWritesGenderAndMalesAreSingleCopyAndDimmer)
{
    const int n = 200;
    ASSERT_EQ(simulate("--snps 40 --samples 200 --seed 11 --chrom X --out " + dir + "/x"), 0);
    const auto gender = lines(dir + "/x.gender"), in = lines(dir + "/x.int"), truth = lines(dir + "/x.truth");
    ASSERT_EQ(gender.size(), static_cast<size_t>(n));
    int males = 0;
    for (const auto& g : gender) {
        ASSERT_TRUE(g == "0" || g == "1") << g;
        males += g == "1";
    }
    EXPECT_GT(males, 50);
    EXPECT_LT(males, 150);

    long female_hets = 0;
    std::vector<double> male_strength, female_strength, contrast[3];
    for (size_t r = 1; r < in.size(); ++r) {
        const auto f = split(in[r], '\t'), t = split(truth[r], ' ');
        EXPECT_EQ(f[1].rfind("X:", 0), 0u);
        for (int i = 0; i < n; ++i) {
            const bool male = gender[i] == "1";
            const int code = std::stoi(t[1 + i]);
            EXPECT_FALSE(male && code == 2) << t[0] << " sample " << i;
            female_hets += !male && code == 2;
            if (f[3 + 2 * i] == "NaN") continue;
            const double a = std::stod(f[3 + 2 * i]), b = std::stod(f[4 + 2 * i]);
            (male ? male_strength : female_strength).push_back(std::log(a + b));
            contrast[code - 1].push_back((b - a) / (a + b));
        }
    }
    EXPECT_GT(female_hets, 0);
    EXPECT_LT(median(male_strength), median(female_strength) - 0.15);
    // The truth belongs to the intensities: each class sits where its cluster should.
    EXPECT_LT(median(contrast[0]), -0.6);
    EXPECT_GT(median(contrast[2]), 0.6);
    EXPECT_LT(std::fabs(median(contrast[1])), 0.3);
}

TEST_F(Simulate, BadOptionsFailWithoutWriting)
{
    EXPECT_EQ(simulate("--snps abc --out " + dir + "/e"), 1);
    EXPECT_EQ(simulate("--samples 0 --out " + dir + "/e"), 1);
    EXPECT_EQ(simulate("--missing 1.5 --out " + dir + "/e"), 1);
    EXPECT_EQ(simulate("--frobnicate 3 --out " + dir + "/e"), 1);
    EXPECT_EQ(simulate("--snps"), 1);
    EXPECT_FALSE(std::ifstream(dir + "/e.int").good());
    EXPECT_EQ(simulate("--snps 2 --samples 2 --out " + dir + "/no/such/dir/e"), 1);
}

}  // namespace
