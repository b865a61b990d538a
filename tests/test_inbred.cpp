// Inbred panels: the genotype weights with per-sample F, the Hardy-Weinberg
// statistic built on them, the --inbred list, and the effect on a simulated
// panel of inbred strains and their F1 crosses.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "cli_helpers.h"
#include "data.h"
#include "fit.h"
#include "inbred.h"

namespace {

const std::string DATA = TAMSEL_TEST_DATA;

std::vector<std::string> words(const std::string& s)
{
    std::vector<std::string> w;
    std::istringstream in(s);
    for (std::string x; in >> x;) w.push_back(x);
    return w;
}

std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string x; std::getline(in, x);) v.push_back(x);
    return v;
}

}  // namespace

TEST(InbredWeights, HandWorked)
{
    double w[3];
    // p = 0.6, q = 0.4, pq = 0.24.
    inbred_weights(0.6, 0.4, 0, w);
    EXPECT_DOUBLE_EQ(w[0], 0.36);
    EXPECT_DOUBLE_EQ(w[1], 0.48);
    EXPECT_DOUBLE_EQ(w[2], 0.16);
    inbred_weights(0.6, 0.4, 0.5, w);
    EXPECT_DOUBLE_EQ(w[0], 0.48);
    EXPECT_DOUBLE_EQ(w[1], 0.24);
    EXPECT_DOUBLE_EQ(w[2], 0.28);
    inbred_weights(0.6, 0.4, 1, w);
    EXPECT_DOUBLE_EQ(w[0], 0.6);
    EXPECT_EQ(w[1], 0);
    EXPECT_DOUBLE_EQ(w[2], 0.4);
}

TEST(InbredStatistic, HandWorkedWithTwoF)
{
    // F = 0, 0.5, 1 at p = 0.6: E = (0.36 + 0.48 + 0.6, 0.48 + 0.24 + 0, 0.16 + 0.28 + 0.4)
    //                              = (1.44, 0.72, 0.84); counts (2, 0, 1):
    // X = 0.56^2/1.44 + 0.72^2/0.72 + 0.16^2/0.84.
    const double X = 0.3136 / 1.44 + 0.72 + 0.0256 / 0.84;
    EXPECT_NEAR(inbred_hwe_statistic(2, 0, 1, 0.6, {0, 0.5, 1}), X, 1e-12);
    // Everybody fully inbred: no heterozygote expected, its term left out.
    EXPECT_EQ(inbred_hwe_statistic(1, 0, 1, 0.5, {1, 1}), 0);
    EXPECT_DOUBLE_EQ(inbred_hwe_statistic(1, 1, 0, 0.5, {1, 1}), 1);
    // Monomorphic: only the one homozygote is expected, as without F.
    EXPECT_DOUBLE_EQ(inbred_hwe_statistic(2, 0, 0, 1, {0.5, 0.5, 0.5}), 1.0 / 3);
    // F = 0 for all gives the Hardy-Weinberg statistic.
    const double E[3] = {0.36 * 5, 0.48 * 5, 0.16 * 5}, n[3] = {3, 0, 2};
    double hw = 0;
    for (int g = 0; g < 3; ++g) hw += (n[g] - E[g]) * (n[g] - E[g]) / E[g];
    EXPECT_NEAR(inbred_hwe_statistic(3, 0, 2, 0.6, std::vector<double>(5, 0)), hw, 1e-12);
}

TEST(InbredStatistic, ReachesTheRunChoiceAndTheStartScore)
{
    // Three AA and two BB: far from Hardy-Weinberg, exactly what inbred lines give.
    const std::vector<int> c = {1, 1, 1, 3, 3};
    // X = 1.2^2/1.8 + 2.4 + 1.2^2/0.8 = 5.
    EXPECT_NEAR(hwe_pvalue(c, 5), std::exp(-2.5), 1e-12);
    EXPECT_EQ(hwe_pvalue(c, 5, std::vector<double>(5, 1)), 1);
    EXPECT_EQ(hwe_pvalue({4, 4, 4, 4, 4}, 5, std::vector<double>(5, 1)), NO_CALL_SENTINEL);

    ::data d;
    d.nind = 5;
    d.size_model();
    d.contrast = {-0.9, -0.85, -0.8, 0.8, 0.9};
    d.calls = c;
    const double plain = d.likelihood_ini_2();
    d.inbred_f.assign(5, 1);
    d.uni_mean[0] = d.uni_mean[1] = d.uni_mean[2] = 0;
    const double inbred = d.likelihood_ini_2();
    // The base score is the same; only the penalty went.
    EXPECT_GT(inbred, plain);
    EXPECT_DOUBLE_EQ(inbred, d.likelihood_ini_1());
}

TEST(InbredPosterior, FullyInbredIndividualIsNeverHeterozygous)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> z;
    ::data d;
    d.nind = 60;
    d.size_model();
    d.write_probs = true;
    for (int i = 0; i < d.nind; ++i) {
        const int g = i % 3;
        d.contrast[i] = (g - 1) * 0.8 + 0.05 * z(rng);
        d.strength[i] = 1 + 0.1 * z(rng);
        d.calls[i] = g + 1;
    }
    // Individual 1 sits between the homozygote and heterozygote clusters.
    d.contrast[1] = 0.02;
    d.uni_mean[0] = -0.8;
    d.uni_mean[1] = 0;
    d.uni_mean[2] = 0.8;
    d.initialise_mult();
    d.update_parameters();
    d.old_calls = d.calls;
    d.update_prob(0);
    const std::vector<double> plain = d.probs;
    EXPECT_GT(plain[4 + 1], 0);

    d.inbred_f.assign(d.nind, 0);
    d.inbred_f[1] = 1;
    d.inbred_f[4] = 0.5;
    d.update_prob(0);
    EXPECT_EQ(d.probs[4 + 1], 0);
    EXPECT_LT(d.probs[16 + 1], plain[16 + 1]);
    // F = 0 individuals get the Hardy-Weinberg weights, bit for bit.
    for (int i = 0; i < d.nind; ++i)
        if (i != 1 && i != 4) {
            for (int k = 0; k < 4; ++k) ASSERT_EQ(d.probs[4 * i + k], plain[4 * i + k]) << i;
        }
}

// An empty list, or one naming nobody inbred, leaves every file as it was.
TEST(InbredRun, EmptyListChangesNoFile)
{
    const std::string dir = scratch_dir("inbred_empty");
    write_file(dir + "/empty.txt", "");
    write_file(dir + "/zero.txt", "# nobody inbred\r\nPL01_A01 0\r\n\r\nPL01_B01\t0");
    struct form { const char* name; std::string args; };
    const form forms[] = {
        {"auto", "-i '" + DATA + "/example_auto.int' -c -p -k -u -a"},
        {"x", "-i '" + DATA + "/example_x.int' -X -g '" + DATA + "/example_x.gender' -c -p"},
        {"part", "-i '" + DATA + "/example_auto.int' -s 20 60 -c -p --threads 2"},
    };
    for (const form& f : forms) {
        const std::string p = dir + "/" + f.name;
        ASSERT_EQ(run_tamsel(f.args + " -o '" + p + "_plain'", dir).status, 0) << f.name;
        const std::string plain_out = slurp(dir + "/stdout");
        for (const char* list : {"empty.txt", "zero.txt"}) {
            const std::string o = p + "_" + list;
            ASSERT_EQ(run_tamsel(f.args + " -o '" + o + "' --inbred '" + dir + "/" + list + "'", dir).status, 0);
            EXPECT_EQ(slurp(dir + "/stdout"), plain_out) << f.name << " " << list;
            for (const char* file : {"_calls", "_probs"})
                EXPECT_EQ(slurp(o + file), slurp(p + "_plain" + file)) << f.name << " " << list << file;
        }
    }
}

TEST(InbredRun, ListReachesTheFitQcAndVcfHeader)
{
    const std::string dir = scratch_dir("inbred_outputs");
    write_file(dir + "/list.txt", "PL01_A01\nPL01_C01 0.25\n");
    const std::string in = "-i '" + DATA + "/example_auto.int' -c --qc";
    ASSERT_EQ(run_tamsel(in + " -o '" + dir + "/plain'", dir).status, 0);
    ASSERT_EQ(run_tamsel(in + " -o '" + dir + "/inb' --inbred '" + dir + "/list.txt' --inbred-f 0.9 --vcf '" +
                             dir + "/inb.vcf'", dir).status, 0);
    EXPECT_NE(slurp(dir + "/inb_calls"), slurp(dir + "/plain_calls"));

    const std::vector<std::string> plain = lines(slurp(dir + "/plain_sampleqc"));
    const std::vector<std::string> qc = lines(slurp(dir + "/inb_sampleqc"));
    ASSERT_EQ(qc.size(), plain.size());
    EXPECT_EQ(plain[0], "sample\tcall_rate\thet_rate");
    EXPECT_EQ(qc[0], "sample\tcall_rate\thet_rate\tinbred_f");
    EXPECT_EQ(words(qc[1]).back(), "0.9");
    EXPECT_EQ(words(qc[2]).back(), "0");
    EXPECT_EQ(words(qc[3]).back(), "0.25");

    bool recorded = false;
    for (const std::string& l : lines(slurp(dir + "/inb.vcf")))
        if (l.rfind("##tamselCommand", 0) == 0) recorded = l.find("--inbred") != std::string::npos;
    EXPECT_TRUE(recorded);
}

TEST(InbredRun, BadListsStopBeforeAnyOutput)
{
    const std::string dir = scratch_dir("inbred_bad");
    struct bad { const char* text; const char* says; };
    const bad cases[] = {
        {"PL01_A01\nnobody\n", "list.txt line 2: \"nobody\" is not a sample of the input"},
        {"PL01_A01\r\nPL01_B01\r\nPL01_A01\r\n", "list.txt line 3: \"PL01_A01\" is listed twice"},
        {"PL01_A01 1.5", "line 1: the inbreeding coefficient must be a number from 0 to 1, not \"1.5\""},
        {"PL01_A01 -0.1\n", "not \"-0.1\""},
        {"PL01_A01 half\n", "not \"half\""},
        {"PL01_A01 0.5 0.6\n", "at most one value"},
    };
    for (const bad& b : cases) {
        write_file(dir + "/list.txt", b.text);
        run_result r = run_tamsel("-i '" + DATA + "/example_auto.int' -o '" + dir + "/o' -c --qc --inbred '" +
                                      dir + "/list.txt'", dir);
        EXPECT_EQ(r.status, 1) << b.text;
        EXPECT_NE(r.err.find(b.says), std::string::npos) << r.err;
        EXPECT_FALSE(exists(dir + "/o_calls")) << b.text;
        EXPECT_FALSE(exists(dir + "/o_snpqc")) << b.text;
    }
    EXPECT_NE(run_tamsel("-i '" + DATA + "/example_auto.int' -o '" + dir + "/o' --inbred", dir).status, 0);
    run_result r = run_tamsel("-i '" + DATA + "/example_auto.int' -o '" + dir + "/o' --inbred-f 2", dir);
    EXPECT_NE(r.status, 0);
    EXPECT_NE((r.out + r.err).find("--inbred-f"), std::string::npos);
    r = run_tamsel("-i '" + DATA + "/example_auto.int' -o '" + dir + "/o' -c --inbred '" + dir + "/none.txt'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.txt"), std::string::npos);
}

// Inbred strains and their F1: listing the strains removes most of their
// heterozygous calls and costs the F1 nothing.
TEST(InbredRun, SimulatedPanel)
{
    const std::string dir = scratch_dir("inbred_panel");
    const std::string sim = std::string("'") + TOOLS_SIMULATE + "' --inbred-panel 4 --snps 300 --seed 3 --out '" +
                            dir + "/pan' 2> /dev/null";
    ASSERT_EQ(std::system(sim.c_str()), 0);
    ASSERT_EQ(run_tamsel("-i '" + dir + "/pan.int' -o '" + dir + "/plain' -c", dir).status, 0);
    ASSERT_EQ(run_tamsel("-i '" + dir + "/pan.int' -o '" + dir + "/inb' -c -p --inbred '" + dir + "/pan.inbred'", dir)
                  .status, 0);
    // The scalar maths path and several workers weight inbred individuals alike.
    ASSERT_EQ(run_tamsel("-i '" + dir + "/pan.int' -o '" + dir + "/scalar' -c -p --no-simd --threads 2 --inbred '" +
                             dir + "/pan.inbred'", dir).status, 0);
    EXPECT_EQ(slurp(dir + "/scalar_calls"), slurp(dir + "/inb_calls"));
    EXPECT_EQ(slurp(dir + "/scalar_probs"), slurp(dir + "/inb_probs"));
    // A part read through the index weights the same samples as one read from the start.
    ASSERT_EQ(run_tamsel("--index '" + dir + "/pan.int'", dir).status, 0);
    for (const char* how : {"idx", "noidx"})
        ASSERT_EQ(run_tamsel("-i '" + dir + "/pan.int' -o '" + dir + "/" + how + "' -c -s 100 200 --inbred '" + dir +
                                 "/pan.inbred'" + (how[0] == 'n' ? " --no-index" : ""), dir).status, 0);
    EXPECT_EQ(slurp(dir + "/idx_calls"), slurp(dir + "/noidx_calls"));
    const std::vector<std::string> truth = lines(slurp(dir + "/pan.truth"));
    const size_t n_inbred = lines(slurp(dir + "/pan.inbred")).size();
    ASSERT_EQ(n_inbred, 32u);
    struct score { int ab = 0, inbred = 0, f1_ok = 0, f1 = 0; };
    auto score_of = [&](const std::string& calls_file) {
        score s;
        const std::vector<std::string> calls = lines(slurp(calls_file));
        EXPECT_EQ(calls.size(), truth.size());
        for (size_t j = 1; j < calls.size() && j < truth.size(); ++j) {
            const std::vector<std::string> c = words(calls[j]), t = words(truth[j]);
            for (size_t k = 0; k + 3 < c.size() && k + 1 < t.size(); ++k) {
                if (c[k + 3] == "4") continue;
                if (k < n_inbred) {
                    ++s.inbred;
                    s.ab += c[k + 3] == "2";
                } else {
                    ++s.f1;
                    s.f1_ok += c[k + 3] == t[k + 1];
                }
            }
        }
        return s;
    };
    const score plain = score_of(dir + "/plain_calls"), inb = score_of(dir + "/inb_calls");
    ASSERT_GT(plain.inbred, 0);
    ASSERT_GT(plain.f1, 0);
    const double ab_plain = double(plain.ab) / plain.inbred, ab_inb = double(inb.ab) / inb.inbred;
    EXPECT_LT(ab_inb, ab_plain);
    EXPECT_LT(ab_inb, 0.5 * ab_plain);
    EXPECT_GE(double(inb.f1_ok) / inb.f1, double(plain.f1_ok) / plain.f1);
}
