// Command-line reading and the three checks.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "read_options.h"

namespace {

struct argv_list {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    explicit argv_list(std::vector<std::string> w) : words(std::move(w))
    {
        for (auto& s : words) ptrs.push_back(&s[0]);
    }
    int argc() { return static_cast<int>(ptrs.size()); }
    char** argv() { return ptrs.data(); }
};

// The words stay alive until the next call, so the option values can be read.
std::string read(std::vector<std::string> w, options& o)
{
    static std::unique_ptr<argv_list> a;
    w.insert(w.begin(), "tamsel");
    a = std::make_unique<argv_list>(w);
    return read_options(a->argc(), a->argv(), o);
}

}  // namespace

TEST(Options, DefaultsAndSecondCharacterRule)
{
    options o;
    EXPECT_EQ(read({"-calls", "-probs", "-kx", "-u", "-a", "-w", "-z", "stray"}, o), "");
    EXPECT_TRUE(o.calls && o.probs && o.kmodel && o.contrast && o.pert && o.narrow_null);
    EXPECT_EQ(o.max_iter, 100);
    EXPECT_DOUBLE_EQ(o.call_threshold, 0.8);
    EXPECT_EQ(o.first, -1);
    EXPECT_EQ(o.last, -1);
    EXPECT_EQ(o.chromosome, chrom::none);
    EXPECT_EQ(o.input, nullptr);
}

TEST(Options, ValuesAreTakenWhateverTheyLookLike)
{
    options o;
    EXPECT_EQ(read({"-n", "-c", "-t", "0.9x", "-s", "3", "-p", "-o", "-x"}, o), "");
    EXPECT_EQ(o.max_iter, 0);  // "-c" is the value of -n, converted as atoi does
    EXPECT_FALSE(o.calls);
    EXPECT_DOUBLE_EQ(o.call_threshold, 0.9);
    EXPECT_EQ(o.first, 3);
    EXPECT_EQ(o.last, 0);  // "-p" is the second value of -s
    EXPECT_FALSE(o.probs);
    ASSERT_NE(o.output, nullptr);
    EXPECT_STREQ(o.output, "-x");
}

TEST(Options, LastOccurrenceWins)
{
    options o;
    read({"-n", "5", "-n", "7", "-X", "-M", "-Y"}, o);
    EXPECT_EQ(o.max_iter, 7);
    EXPECT_EQ(o.chromosome, chrom::Y);
    read({"-Y", "-X"}, o);
    EXPECT_EQ(o.chromosome, chrom::X);
    read({"-M"}, o);
    EXPECT_EQ(o.chromosome, chrom::MT);
}

TEST(Options, MissingValuesAtTheEnd)
{
    options o;
    EXPECT_EQ(read({"-c", "-i"}, o), "");
    EXPECT_EQ(o.input, nullptr);  // the path stays unset, so the first check applies
    EXPECT_EQ(read({"-n"}, o), "Option -n needs a value.");
    EXPECT_EQ(read({"-t"}, o), "Option -t needs a value.");
    EXPECT_EQ(read({"-s", "4"}, o), "Option -s needs two values.");
}

TEST(Options, ChecksInOrder)
{
    options o;
    EXPECT_EQ(check_options(o), "Need to specify both an input and an output file.");
    o.input = "in";
    EXPECT_EQ(check_options(o), "Need to specify both an input and an output file.");
    o.output = "out";
    o.gender = "g";
    EXPECT_EQ(check_options(o), "Need to specify a gender file.");  // gender without chromosome
    o.gender = nullptr;
    o.chromosome = chrom::X;
    EXPECT_EQ(check_options(o), "Need to specify a gender file.");
    o.gender = "g";
    EXPECT_EQ(check_options(o), "Need to specify -c and / or -p");
    o.probs = true;
    EXPECT_EQ(check_options(o), "");
    o.probs = false;
    o.calls = true;
    EXPECT_EQ(check_options(o), "");
}

TEST(Options, UsageShowsTheDefaultsInUse)
{
    std::string u = usage_text();
    EXPECT_NE(u.find("[100]"), std::string::npos);
    EXPECT_NE(u.find("[0.8]"), std::string::npos);
}
