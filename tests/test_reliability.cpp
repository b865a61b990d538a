// Data is never lost silently: failed writes, outputs that would destroy an
// input or an earlier result, concurrent runs, and damaged input rows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "cli_helpers.h"

namespace {

std::string header(int nind)
{
    std::string s = "SNP\tCoor\tAlleles";
    for (int i = 1; i <= nind; ++i) s += "\tS" + std::to_string(i) + ".A\tS" + std::to_string(i) + ".B";
    return s + "\n";
}

// A row of three well separated clusters, with values that vary by row.
std::string row(int r, int nind)
{
    std::string s = "rs" + std::to_string(r) + "\t1:" + std::to_string(1000 + r) + "\tAG";
    for (int i = 0; i < nind; ++i) {
        int g = (i + r) % 3;
        double a = g == 0 ? 1.9 : g == 1 ? 1.0 : 0.1, b = 2.0 - a;
        s += "\t" + std::to_string(a + 0.01 * (i % 7)) + "\t" + std::to_string(b + 0.013 * (r % 5));
    }
    return s + "\n";
}

std::string rows(int n, int nind)
{
    std::string s;
    for (int r = 1; r <= n; ++r) s += row(r, nind);
    return s;
}

class Reliability : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string path(const std::string& name) { return dir + "/" + name; }
    std::string q(const std::string& name) { return "'" + path(name) + "'"; }
};

bool whole_lines(const std::string& s) { return s.empty() || s.back() == '\n'; }

}  // namespace

// A full disk stops the run with an error naming the file; what was written stays whole lines.
TEST_F(Reliability, FullDiskIsAnError)
{
    write_file(path("in.txt"), header(6) + rows(30, 6));
    for (const char* full : {"_calls", "_probs"}) {
        std::system(("rm -f " + q("out_calls") + " " + q("out_probs")).c_str());
        ASSERT_EQ(symlink("/dev/full", path(std::string("out") + full).c_str()), 0);
        run_result r = run_tamsel("-i " + q("in.txt") + " -o " + q("out") + " -c -p", dir);
        EXPECT_EQ(r.status, 1) << full;
        EXPECT_NE(r.err.find("Error : could not write " + path(std::string("out") + full) + ": No space left"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out.find("Total"), std::string::npos);
        if (std::string(full) == "_probs") {
            EXPECT_TRUE(whole_lines(slurp(path("out_calls"))));
        }
    }
    // Compressed output fails the same way.
    std::system(("rm -f " + q("out_calls") + "*").c_str());
    ASSERT_EQ(symlink("/dev/full", path("out_calls.gz").c_str()), 0);
    run_result r = run_tamsel("-i " + q("in.txt") + " -o " + q("out") + " -c --bgzip", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not write " + path("out_calls.gz")), std::string::npos) << r.err;
}

// An output that is an input is refused before anything is emptied; so is a
// run whose second output cannot be created, and the first keeps its content.
TEST_F(Reliability, OutputsAreCheckedBeforeAnyIsEmptied)
{
    const std::string input = header(6) + rows(12, 6);
    write_file(path("r_calls"), input);
    run_result r = run_tamsel("-i " + q("r_calls") + " -o " + q("r") + " -c", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(path("r_calls")), input);
    // The same file through another name.
    ASSERT_EQ(link(path("r_calls").c_str(), path("s_probs").c_str()), 0);
    r = run_tamsel("-i " + q("r_calls") + " -o " + q("s") + " -c -p", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(slurp(path("r_calls")), input);
    EXPECT_FALSE(exists(path("s_calls")));

    write_file(path("in.txt"), input);
    write_file(path("old_calls"), "an earlier result\n");
    ASSERT_EQ(mkdir(path("old_probs").c_str(), 0755), 0);
    r = run_tamsel("-i " + q("in.txt") + " -o " + q("old") + " -c -p", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Error : Could not open " + path("old_probs")), std::string::npos) << r.out;
    EXPECT_EQ(slurp(path("old_calls")), "an earlier result\n");
}

// A second run writing the same files while the first runs is refused.
TEST_F(Reliability, ConcurrentRunsOnOnePrefixAreRefused)
{
    std::string cmd = std::string("'") + TAMSEL_BINARY + "' -i - -o " + q("out") + " -c -p > /dev/null";
    FILE* first = popen(cmd.c_str(), "w");
    ASSERT_NE(first, nullptr);
    // Enough rows for the input's format to be recognised from its first bytes.
    std::string text = header(6) + rows(60, 6);
    fwrite(text.data(), 1, text.size(), first);
    fflush(first);
    // The first run holds its files once their headers are written.
    for (int k = 0; k < 1000 && count_lines(slurp(path("out_probs"))) < 1; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    write_file(path("other.txt"), header(3) + rows(4, 3));
    run_result second = run_tamsel("-i " + q("other.txt") + " -o " + q("out") + " -c -p", dir);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find(path("out_calls") + ": another tamsel run is writing it"), std::string::npos)
        << second.err;
    text = rows(90, 6).substr(text.size() - header(6).size());
    fwrite(text.data(), 1, text.size(), first);
    EXPECT_EQ(pclose(first), 0);
    std::string calls = slurp(path("out_calls"));
    EXPECT_EQ(count_lines(calls), 91);
    EXPECT_EQ(calls.find("S1 S2 S3 \n"), std::string::npos);
}

// Every kind of repaired row is reported on standard error with its line, and
// --strict makes it an error after the rows before it were written.
TEST_F(Reliability, DamagedRowsAreReportedAndStrictStops)
{
    const int nind = 6;
    std::string good = header(nind) + rows(4, nind);
    std::string r5 = row(5, nind);
    struct { std::string text; const char* report; } cases[] = {
        {good + r5.substr(0, r5.rfind('\t')) + "\n" + row(6, nind), "line 6: an A value without its B"},
        {good + r5.substr(0, r5.rfind('\t', r5.rfind('\t') - 1)) + "\n" + row(6, nind), "line 6: 5 pairs for 6"},
        {good + r5.substr(0, r5.size() - 1) + "\t1\t2\n" + row(6, nind), "more than the header's 15"},
        {good + r5.substr(0, r5.size() - 3), "line 6: no line end at the end of the file"},
        {good + "x\t1:1\tAG\t1\n" + row(6, nind), "line 6 has 4 fields, fewer than the 6"},
    };
    for (auto& c : cases) {
        write_file(path("in.txt"), c.text);
        run_result r = run_tamsel("-i " + q("in.txt") + " -o " + q("out") + " -c -p", dir);
        EXPECT_EQ(r.status, 0) << c.report;
        EXPECT_NE(r.err.find(c.report), std::string::npos) << r.err;
        r = run_tamsel("-i " + q("in.txt") + " -o " + q("out") + " -c -p --strict", dir);
        EXPECT_EQ(r.status, 1) << c.report;
        EXPECT_NE(r.err.find(c.report), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(--strict)"), std::string::npos) << r.err;
        std::string calls = slurp(path("out_calls"));
        EXPECT_EQ(count_lines(calls), 5) << c.report;
        EXPECT_TRUE(whole_lines(calls));
    }
    // Many damaged rows: ten listed, then a total.
    std::string many = header(nind);
    for (int k = 1; k <= 15; ++k) {
        std::string x = row(k, nind);
        many += x.substr(0, x.rfind('\t')) + "\n";
    }
    write_file(path("many.txt"), many);
    run_result r = run_tamsel("-i " + q("many.txt") + " -o " + q("out") + " -c", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count_lines(r.err), 11) << r.err;
    EXPECT_NE(r.err.find("15 damaged rows in all"), std::string::npos) << r.err;
    // A header without individuals.
    write_file(path("none.txt"), "a b c d\n" + row(1, 0));
    r = run_tamsel("-i " + q("none.txt") + " -o " + q("out") + " -c --strict", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no individuals"), std::string::npos) << r.err;
}

// A damaged row amid others, decoded on a worker while the rows around it are
// read and fitted: every thread count reports what one thread reports, stops
// at the same row and leaves the same whole lines behind.
TEST_F(Reliability, DamagedRowsReadAlikeOnEveryThreadCount)
{
    const int nind = 6;
    std::string r30 = row(30, nind);
    const std::string before = header(nind) + rows(29, nind), after = rows(60, nind).substr(rows(30, nind).size());
    std::string bad_run = before;
    for (int k = 30; k <= 60; ++k) {
        std::string x = row(k, nind);
        bad_run += k <= 45 ? x.substr(0, x.rfind('\t')) + "\n" : x;
    }
    const std::string cases[] = {
        before + r30.substr(0, r30.rfind('\t')) + "\n" + after,
        before + r30.substr(0, r30.size() - 1) + "\t1\t2\n" + after,
        before + "x\t1:1\tAG\t1\n" + after,
        before + "x\t1:1\tAG\t1\n\n \n\n",
        before + "\n" + after,
        before + r30.substr(0, r30.size() - 3),
        // Bad fields from the middle on: ten listed, then a total.
        bad_run,
    };
    for (size_t c = 0; c < sizeof cases / sizeof cases[0]; ++c) {
        write_file(path("in.txt"), cases[c]);
        for (const char* strict : {"", " --strict"}) {
            const std::string what = "case " + std::to_string(c) + strict;
            auto one_run = [&](const char* threads, std::string files[2]) {
                const std::string out = path(std::string("t") + threads);
                run_result r = run_tamsel("-i " + q("in.txt") + " -o '" + out + "' -c -p -a" + strict +
                                              " --threads " + threads, dir);
                files[0] = slurp(out + "_calls");
                files[1] = slurp(out + "_probs");
                return r;
            };
            std::string one_files[2], many_files[2];
            const run_result one = one_run("1", one_files);
            EXPECT_NE(one.err, "") << what;
            EXPECT_TRUE(whole_lines(one_files[0]) && whole_lines(one_files[1])) << what;
            for (const char* threads : {"2", "4"}) {
                const run_result many = one_run(threads, many_files);
                EXPECT_EQ(many.status, one.status) << what << " --threads " << threads;
                EXPECT_EQ(many.out, one.out) << what << " --threads " << threads;
                EXPECT_EQ(many.err, one.err) << what << " --threads " << threads;
                EXPECT_EQ(many_files[0], one_files[0]) << what << " --threads " << threads;
                EXPECT_EQ(many_files[1], one_files[1]) << what << " --threads " << threads;
            }
        }
    }
}

// A byte-order mark and non-ASCII ids are text: the fields stay where they are.
TEST_F(Reliability, Utf8IsText)
{
    const int nind = 6;
    std::string body = rows(12, nind);
    std::string utf = body;
    utf.replace(0, 3, "\xC3\xA9s1");  // "és1" in place of "rs1"
    write_file(path("plain.txt"), header(nind) + body);
    write_file(path("utf.txt"), "\xEF\xBB\xBF" + header(nind) + utf);
    run_result a = run_tamsel("-i " + q("plain.txt") + " -o " + q("a") + " -c -p", dir);
    run_result b = run_tamsel("-i " + q("utf.txt") + " -o " + q("b") + " -c -p", dir);
    ASSERT_EQ(a.status, 0);
    ASSERT_EQ(b.status, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(b.err, "");
    std::string pa = slurp(path("a_probs")), pb = slurp(path("b_probs"));
    EXPECT_EQ(pb.substr(pb.find('\n') + 1, 4), "\xC3\xA9s1");
    pb.replace(pb.find("\xC3\xA9s1"), 4, "rs1");
    EXPECT_EQ(pa, pb);
}
