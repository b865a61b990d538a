// tamsel-import: each layout, separator, line end, compression and column
// order converts to exactly the text a user would have written by hand, and
// tamsel calls it the same; inconsistent reports fail without leaving output.
#include <gtest/gtest.h>

#include <dirent.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_helpers.h"

namespace {

// Intensities of SNPs x samples as the report's text; "" is an empty field.
struct matrix {
    std::vector<std::string> snps, chrs, positions, samples;
    std::vector<std::vector<std::string>> x, y;  // [snp][sample]
};

// Three clusters per SNP so tamsel has something to call, with a few missing values.
matrix make_matrix(int n_snps, int n_samples)
{
    matrix m;
    for (int i = 0; i < n_samples; ++i) m.samples.push_back("S" + std::to_string(i + 1));
    const char* missing[] = {"NaN", "-", ""};
    for (int j = 0; j < n_snps; ++j) {
        m.snps.push_back("rs" + std::to_string(1000 + 7 * j));
        m.chrs.push_back(j % 2 ? "X" : "3");
        m.positions.push_back(std::to_string(5000 + 100 * j));
        m.x.emplace_back();
        m.y.emplace_back();
        for (int i = 0; i < n_samples; ++i) {
            const int g = (i * 7 + j * 3) % 3, k = (i * 13 + j * 5) % 17;
            char a[32], b[32];
            std::snprintf(a, sizeof a, "%.3f", (g == 0 ? 1.6 : g == 1 ? 0.8 : 0.08) + 0.01 * k);
            std::snprintf(b, sizeof b, "%.4g", (g == 2 ? 1.5 : g == 1 ? 0.75 : 0.07) + 0.012 * k);
            m.x.back().push_back(a);
            m.y.back().push_back(b);
        }
        m.x.back()[static_cast<size_t>(j) % static_cast<size_t>(n_samples)] = missing[j % 3];
    }
    return m;
}

std::string nan_if_missing(const std::string& v) { return v.empty() || v == "-" ? "NaN" : v; }

// What the conversion must give: tamsel's layout written directly.
std::string text_layout(const matrix& m, const std::string& alleles = "[A/B]")
{
    std::string s = "SNP_id chr.position allele";
    for (const std::string& n : m.samples) s += ' ' + n + ".A " + n + ".B";
    s += '\n';
    for (size_t j = 0; j < m.snps.size(); ++j) {
        s += m.snps[j] + ' ' + m.chrs[j] + ':' + m.positions[j] + ' ' + alleles;
        for (size_t i = 0; i < m.samples.size(); ++i) s += ' ' + nan_if_missing(m.x[j][i]) + ' ' + nan_if_missing(m.y[j][i]);
        s += '\n';
    }
    return s;
}

struct style {
    char sep = '\t';
    std::string eol = "\n";
    bool reversed_columns = false;  // columns in the opposite of the usual order
    bool later_blocks_reversed = false;
};

std::string join(const std::vector<std::string>& f, const style& st)
{
    std::string s;
    for (size_t k = 0; k < f.size(); ++k) s += (k ? std::string(1, st.sep) : std::string()) + f[k];
    return s + st.eol;
}

std::vector<std::string> ordered(std::vector<std::string> f, const style& st)
{
    if (st.reversed_columns) std::reverse(f.begin(), f.end());
    return f;
}

std::string final_report(const matrix& m, const style& st)
{
    std::string s = "[Header]" + st.eol + join({"GSGT Version", "2.0.4"}, st) + join({"Num SNPs", "3"}, st) +
                    "[Data]" + st.eol +
                    join(ordered({"SNP Name", "Sample ID", "GC Score", "X", "Chr", "Y", "Position", "X Raw", "Y Raw"}, st), st);
    for (size_t i = 0; i < m.samples.size(); ++i)
        for (size_t k = 0; k < m.snps.size(); ++k) {
            const size_t j = i > 0 && st.later_blocks_reversed ? m.snps.size() - 1 - k : k;
            s += join(ordered({m.snps[j], m.samples[i], "0.77", m.x[j][i], m.chrs[j], m.y[j][i], m.positions[j],
                               "1" + std::to_string(j), "2" + std::to_string(i)}, st), st);
        }
    return s;
}

// The SNP columns after the samples' (whose order sets the sample order).
std::vector<std::string> snp_columns_last(std::vector<std::string> f, const style& st)
{
    if (st.reversed_columns) std::rotate(f.begin(), f.begin() + 4, f.end());
    return f;
}

std::string full_table(const matrix& m, const style& st)
{
    std::vector<std::string> head = {"Index", "Name", "Chr", "Position"};
    for (const std::string& n : m.samples)
        for (const char* c : {".GType", ".Y", ".X Raw", ".X", ".Y Raw", ".Theta"}) head.push_back(n + c);
    std::string s = join(snp_columns_last(head, st), st);
    for (size_t j = 0; j < m.snps.size(); ++j) {
        std::vector<std::string> f = {std::to_string(j + 1), m.snps[j], m.chrs[j], m.positions[j]};
        for (size_t i = 0; i < m.samples.size(); ++i)
            for (const std::string& v : {std::string("AB"), m.y[j][i], std::string("7"), m.x[j][i], std::string("8"), std::string("0.5")})
                f.push_back(v);
        s += join(snp_columns_last(f, st), st);
    }
    return s;
}

void write_zip(const std::string& path, const std::string& inner, const std::string& text)
{
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr);
    zip_source_t* src = zip_source_buffer(z, text.data(), text.size(), 0);
    ASSERT_GE(zip_file_add(z, inner.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
    ASSERT_EQ(zip_close(z), 0);
}

run_result run_import(const std::string& args, const std::string& dir)
{
    run_result r;
    std::string cmd = std::string("'") + TAMSEL_IMPORT + "' " + args + " > '" + dir + "/import.out' 2> '" + dir + "/import.err'";
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir + "/import.out");
    r.err = slurp(dir + "/import.err");
    return r;
}

std::vector<std::string> files_in(const std::string& dir)
{
    std::vector<std::string> v;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.' || std::string(e->d_name).size() > 2) v.push_back(e->d_name);
    if (d) closedir(d);
    v.erase(std::remove_if(v.begin(), v.end(), [](const std::string& s) { return s == "." || s == ".."; }), v.end());
    std::sort(v.begin(), v.end());
    return v;
}

// Data rows (after the header) of tamsel's calls and probabilities files.
std::string data_rows(const std::string& path)
{
    const std::string s = slurp(path);
    return s.substr(std::min(s.size(), s.find('\n') + 1));
}

// The converted file and the directly written one give the same calls and probabilities.
void expect_same_calls(const std::string& converted, const std::string& expected, const std::string& dir)
{
    ASSERT_EQ(run_tamsel("-i '" + converted + "' -o '" + dir + "/conv' -c -p", dir).status, 0);
    ASSERT_EQ(run_tamsel("-i '" + expected + "' -o '" + dir + "/direct' -c -p", dir).status, 0);
    for (const char* f : {"_calls", "_probs"}) {
        const std::string a = data_rows(dir + "/conv" + f);
        EXPECT_FALSE(a.empty()) << f;
        EXPECT_EQ(a, data_rows(dir + "/direct" + f)) << f;
    }
}

struct variant {
    const char* name;
    bool long_layout;
    style st;
    const char* packing;  // "", "gz" or "zip"
};

TEST(Import, EveryLayoutSeparatorLineEndAndPackingGivesTheTextLayout)
{
    const matrix m = make_matrix(24, 15);
    const std::string expected = text_layout(m);
    const variant variants[] = {
        {"long_tab", true, {'\t', "\n", false, false}, ""},
        {"long_comma_crlf_zip", true, {',', "\r\n", true, false}, "zip"},
        {"long_reordered_blocks_gz", true, {'\t', "\r\n", false, true}, "gz"},
        {"wide_tab_gz", false, {'\t', "\n", false, false}, "gz"},
        {"wide_comma_crlf_zip", false, {',', "\r\n", true, false}, "zip"},
    };
    for (const variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string dir = scratch_dir(std::string("import_") + v.name);
        const std::string text = v.long_layout ? final_report(m, v.st) : full_table(m, v.st);
        std::string report = dir + "/report.txt";
        write_file(report, text);
        if (std::string(v.packing) == "gz") {
            ASSERT_EQ(std::system(("gzip '" + report + "'").c_str()), 0);
            report += ".gz";
        } else if (std::string(v.packing) == "zip") {
            report = dir + "/report.zip";
            write_zip(report, "Project_FinalReport.txt", text);
        }
        write_file(dir + "/expected.int", expected);
        run_result r = run_import("'" + report + "' -o '" + dir + "/conv.int' --memory 1", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(slurp(dir + "/conv.int"), expected);
        expect_same_calls(dir + "/conv.int", dir + "/expected.int", dir);
        // Standard output and a BGZF file hold the same text.
        r = run_import("'" + report + "' -o '" + dir + "/conv.int.gz'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(std::system(("bgzip -t '" + dir + "/conv.int.gz'").c_str()), 0);
        ASSERT_EQ(std::system(("gzip -dc '" + dir + "/conv.int.gz' > '" + dir + "/unpacked'").c_str()), 0);
        EXPECT_EQ(slurp(dir + "/unpacked"), expected);
        EXPECT_EQ(run_import("'" + report + "'", dir).out, expected);
    }
}

TEST(Import, RawColumnsAndTheReportsOwnAlleleText)
{
    const std::string dir = scratch_dir("import_raw");
    write_file(dir + "/r.txt", "\xEF\xBB\xBF[Header]\n[Data]\nSNP\tX Raw\tSample ID\tY Raw\tSNP Name\tX\tY\n"
                               "[T/C]\t100\tA.1\t200\trs1\t0.1\t0.2\n[A/G]\t\tA.1\tNaN\trs2\t0.3\t0.4\n"
                               "[T/C]\t300\tB\t-\trs1\t0.5\t0.6\n[A/G]\t1e3\tB\tabc\trs2\t0.7\t0.8\n");
    run_result r = run_import("'" + dir + "/r.txt' --raw", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // No Chr or Position columns: 0:0. A dot in a sample name would end it in tamsel's header.
    EXPECT_EQ(r.out, "SNP_id chr.position allele A_1.A A_1.B B.A B.B\n"
                     "rs1 0:0 [T/C] 100 200 300 NaN\nrs2 0:0 [A/G] NaN NaN 1e3 NaN\n");
    EXPECT_NE(r.err.find("1 intensities"), std::string::npos) << r.err;
}

TEST(Import, SimulatedReportsPivotedThroughDiskEqualTheSimulatedIntensities)
{
    const std::string dir = scratch_dir("import_simulated");
    for (const char* layout : {"finalreport", "fulltable"}) {
        SCOPED_TRACE(layout);
        const std::string prefix = dir + "/" + layout;
        ASSERT_EQ(std::system(("'" TAMSEL_SIMULATE "' --snps 2500 --samples 50 --layout " + std::string(layout) +
                               " --out '" + prefix + "'").c_str()), 0);
        run_result r = run_import("'" + prefix + ".report' -o '" + prefix + ".conv' --memory 1", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        if (std::string(layout) == "finalreport") {
            EXPECT_NE(r.err.find("temporary file"), std::string::npos) << r.err;
        }
        // The simulator's .int says "AG" where the report says [A/G]; everything else is the same text.
        std::string expected = slurp(prefix + ".int"), got = slurp(prefix + ".conv");
        std::replace(expected.begin(), expected.end(), '\t', ' ');
        for (const char* ab : {"AG", "CT", "AC", "GT", "AT", "CG"}) {
            const std::string from = std::string(" ") + ab + " ", to = std::string(" [") + ab[0] + "/" + ab[1] + "] ";
            for (size_t at = 0; (at = expected.find(from, at)) != std::string::npos; at += to.size())
                expected.replace(at, from.size(), to);
        }
        expected = expected.substr(expected.find('\n'));
        ASSERT_EQ(got.substr(got.find('\n')), expected);
        write_file(prefix + ".direct", got.substr(0, got.find('\n')) + expected);
        expect_same_calls(prefix + ".conv", prefix + ".direct", dir);
    }
}

TEST(Import, InconsistentReportsFailNamingSampleAndSnpAndLeaveNoOutput)
{
    const std::string head = "[Header]\n[Data]\nSample ID,SNP Name,X,Y\n";
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> words;
    } cases[] = {
        {"pair_twice_snp_by_snp", head + "S1,rs1,1,2\nS2,rs1,1,2\nS2,rs2,1,2\nS2,rs2,1,2\n",
         {"SNP rs2 and sample S2 are given twice", "line 7"}},
        {"cut_mid_line", "[Header]\r\nNum SNPs\t9\r\n[Data]\r\nSNP Name\tSample ID\tX\tY\r\nrs1\tS1\t1\t2\r\nrs1\tS2\t0.",
         {"line 6", "3 fields"}},
        {"summary_short_row", "#%chip_type=Axiom\nprobeset_id\ta.CEL\tb.CEL\nAX-1-A\t1\t2\nAX-1-B\t3\n", {"line 4", "2 fields"}},
        {"pair_twice_in_no_order", head + "S1,rs1,1,2\nS2,rs1,3,4\nS1,rs2,5,6\nS1,rs1,7,8\n",
         {"line 7", "SNP rs1 and sample S1 are given twice (also line 4)"}},
        {"duplicate_sample", head + "S1,rs1,1,2\nS2,rs1,1,2\nS1,rs1,1,2\n", {"sample S1", "given twice", "line 6"}},
        {"snp_twice", head + "S1,rs1,1,2\nS1,rs1,1,2\n", {"sample S1", "SNP rs1 twice"}},
        {"missing_column", "[Header]\n[Data]\nSample ID,SNP Name,X,X Raw,Y Raw\nS1,rs1,1,2,3\n", {"no 'Y' column", "line 3"}},
        {"short_line", head + "S1,rs1,1,2\nS1,rs2,1\n", {"line 5", "3 fields"}},
        {"wide_without_y", "Name\tS1.X\tS1.Y\tS2.X\nrs1\t1\t2\t3\n", {"sample S2", "no S2.Y"}},
        {"wide_duplicate_sample", "Name\tS1.X\tS1.Y\tS1.X\nrs1\t1\t2\t3\n", {"sample S1", "twice"}},
        {"neither_layout", "just some text\nand more\n", {"neither a Final Report", "nor a Full Data Table"}},
        {"no_data_section", "[Header]\nGSGT Version\t2\n", {"no [Data] section"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratch_dir(std::string("import_bad_") + c.name);
        write_file(dir + "/r.csv", c.text);
        run_result r = run_import("'" + dir + "/r.csv' -o '" + dir + "/out.int.gz' --memory 1", dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("Error : ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(dir + "/r.csv"), std::string::npos) << r.err;
        for (const std::string& w : c.words) EXPECT_NE(r.err.find(w), std::string::npos) << w << " in " << r.err;
        EXPECT_EQ(files_in(dir), (std::vector<std::string>{"import.err", "import.out", "r.csv"}));
    }
}

// A report cut short: pairs it lacks are NaN and named; its header's counts are checked.
TEST(Import, MissingPairsAreNaNAndAHeaderAnnouncingMoreIsACutReport)
{
    const std::string dir = scratch_dir("import_cut");
    write_file(dir + "/r.csv", "[Header]\nNum SNPs,139376\nNum Samples,3\n[Data]\nSample ID,SNP Name,X,Y\n"
                               "S1,rs1,1,2\nS1,rs2,1,2\nS1,rs3,1,2\nS2,rs1,3,4\nS2,rs3,5,6\nS3,rs1,7,8\n");
    run_result r = run_import("'" + dir + "/r.csv' --memory 1", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SNP_id chr.position allele S1.A S1.B S2.A S2.B S3.A S3.B\n"
                     "rs1 0:0 [A/B] 1 2 3 4 7 8\nrs2 0:0 [A/B] 1 2 NaN NaN NaN NaN\nrs3 0:0 [A/B] 1 2 5 6 NaN NaN\n");
    EXPECT_NE(r.err.find("3 SNP x sample pairs are missing"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("rs2/S2, rs2/S3, rs3/S3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the header announces 139376 SNPs; the data hold 3: the report may be cut"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("announces 3 samples"), std::string::npos) << r.err;
    r = run_import("'" + dir + "/r.csv' --strict -o '" + dir + "/out.int'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error : " + dir + "/r.csv: the header announces 139376 SNPs"), std::string::npos) << r.err;
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"import.err", "import.out", "r.csv"}));
}

// The same report in sample blocks, SNP by SNP and SNP by SNP with shuffled
// samples (CRLF, no last line end) converts to the same bytes.
TEST(Import, AReportInThreeLineOrdersGivesTheSameBytes)
{
    const matrix m = make_matrix(30, 7);
    const std::string dir = scratch_dir("import_orders");
    const std::string head = "[Header]\r\nNum SNPs\t30\r\n[Data]\r\nSNP Name\tSample ID\tX\tY\tChr\tPosition\r\n";
    auto line = [&](size_t j, size_t i) {
        return m.snps[j] + "\t" + m.samples[i] + "\t" + m.x[j][i] + "\t" + m.y[j][i] + "\t" + m.chrs[j] + "\t" +
               m.positions[j] + "\r\n";
    };
    std::string blocks = head, by_snp = head, shuffled = head;
    for (size_t i = 0; i < m.samples.size(); ++i)
        for (size_t j = 0; j < m.snps.size(); ++j) blocks += line(j, i);
    for (size_t j = 0; j < m.snps.size(); ++j)
        for (size_t k = 0; k < m.samples.size(); ++k) {
            by_snp += line(j, k);
            // The first SNP fixes the sample order; later SNPs list them in any order.
            shuffled += line(j, j == 0 ? k : (k * 3 + j) % m.samples.size());
        }
    for (std::string* s : {&by_snp, &shuffled}) s->resize(s->size() - 2);
    const std::string expected = text_layout(m);
    for (const auto& c : {std::make_pair("blocks", blocks), std::make_pair("by_snp", by_snp), std::make_pair("shuffled", shuffled)}) {
        SCOPED_TRACE(c.first);
        write_file(dir + "/" + c.first + ".txt", c.second);
        run_result r = run_import("'" + dir + "/" + c.first + ".txt' --memory 1 -o '" + dir + "/" + c.first + ".int'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(dir + "/" + c.first + ".int"), expected);
    }
    EXPECT_NE(run_import("'" + dir + "/by_snp.txt'", dir).err.find("SNP by SNP"), std::string::npos);
}

// Lines in no order (a sample or SNP coming back, SNPs only later samples have)
// are sorted into place, through the temporary file when the budget is small.
TEST(Import, ReportsInNoOrderAreSortedIntoRowsOfFirstAppearance)
{
    const std::string dir = scratch_dir("import_no_order");
    const std::string head = "[Header]\n[Data]\nSample ID,SNP Name,X,Y\n";
    write_file(dir + "/mix.csv", head + "S1,rs1,1,2\nS1,rs2,1,2\nS2,rs2,3,4\nS2,rs9,5,6\nS1,rs3,7,8\nS3,rs9,1,1\n");
    run_result r = run_import("'" + dir + "/mix.csv'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SNP_id chr.position allele S1.A S1.B S2.A S2.B S3.A S3.B\n"
                     "rs1 0:0 [A/B] 1 2 NaN NaN NaN NaN\nrs2 0:0 [A/B] 1 2 3 4 NaN NaN\n"
                     "rs9 0:0 [A/B] NaN NaN 5 6 1 1\nrs3 0:0 [A/B] 7 8 NaN NaN NaN NaN\n");
    EXPECT_NE(r.err.find("in no order"), std::string::npos) << r.err;
    // SNP by SNP at first, then a SNP comes back.
    write_file(dir + "/back.csv", head + "S1,rs1,1,2\nS2,rs1,3,4\nS1,rs2,5,6\nS2,rs2,7,8\nS3,rs1,9,9\n");
    r = run_import("'" + dir + "/back.csv'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SNP_id chr.position allele S1.A S1.B S2.A S2.B S3.A S3.B\n"
                     "rs1 0:0 [A/B] 1 2 3 4 9 9\nrs2 0:0 [A/B] 5 6 7 8 NaN NaN\n");
    // A larger shuffle through sorted runs on disk equals the report in sample blocks.
    const matrix m = make_matrix(400, 40);
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t j = 0; j < m.snps.size(); ++j)
        for (size_t i = 0; i < m.samples.size(); ++i) pairs.emplace_back(j, i);
    std::string text = "[Header]\r\n[Data]\r\nSNP Name\tSample ID\tChr\tPosition\tX\tY\r\n";
    // Keep the first appearance of each SNP and sample in order, shuffle the rest.
    text += m.snps[0] + "\t" + m.samples[0] + "\t" + m.chrs[0] + "\t" + m.positions[0] + "\t" + m.x[0][0] + "\t" + m.y[0][0] + "\r\n";
    std::vector<bool> snp_seen(m.snps.size()), sample_seen(m.samples.size());
    snp_seen[0] = sample_seen[0] = true;
    for (size_t k = 1; k < pairs.size(); ++k) std::swap(pairs[k], pairs[1 + (k * 7919) % (pairs.size() - 1)]);
    std::vector<std::pair<size_t, size_t>> order;
    for (size_t i = 1; i < m.samples.size(); ++i) order.emplace_back(0, i), sample_seen[i] = true;
    for (size_t j = 1; j < m.snps.size(); ++j) order.emplace_back(j, 0), snp_seen[j] = true;
    for (const auto& p : pairs)
        if (p.first != 0 && p.second != 0) order.push_back(p);
    for (const auto& p : order) {
        const size_t j = p.first, i = p.second;
        text += m.snps[j] + "\t" + m.samples[i] + "\t" + m.chrs[j] + "\t" + m.positions[j] + "\t" + m.x[j][i] + "\t" +
                m.y[j][i] + "\r\n";
    }
    write_file(dir + "/shuffled.txt", text.substr(0, text.size() - 2));
    r = run_import("'" + dir + "/shuffled.txt' --memory 1 -o '" + dir + "/shuffled.int'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "/shuffled.int"), text_layout(m));
    EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("temporary file"), std::string::npos) << r.err;
}

// Each map layout gives forward-strand positions and alleles to a report without them.
TEST(Import, MapsFromManifestSnpMapAnnotationAndTableGivePositionsAndForwardAlleles)
{
    const std::string dir = scratch_dir("import_maps");
    write_file(dir + "/r.txt", "[Header]\n[Data]\nSNP Name\tSample ID\tX\tY\n"
                               "rs1\tS1\t1\t2\nrs1\tS2\t3\t4\nrs2\tS1\t5\t6\nrs2\tS2\t7\t8\nrs3\tS1\t1\t1\nrs3\tS2\t2\t2");
    const struct {
        const char* name;
        std::string text;
        const char* rows;  // the three leading fields of rs1, rs2 and rs3
        int unmapped;
    } maps[] = {
        {"manifest.csv",
         "Illumina, Inc.\r\n[Heading]\r\nDescriptor File Name,Chip.bpm\r\nAssay Format,Infinium\r\n[Assay]\r\n"
         "IlmnID,Name,IlmnStrand,SNP,AddressA_ID,AlleleA_ProbeSeq,GenomeBuild,Chr,MapInfo,SourceStrand,RefStrand\r\n"
         "rs1-1_T_F,rs1,TOP,[A/G],101,ACGT,37,1,1500,TOP,-\r\nrs2-1_B_R,rs2,BOT,[T/C],102,ACGT,37,X,2500,BOT,+\r\n"
         "[Controls]\r\n0027630314:0027630315,Staining,Red,DNP (High),rs3,,,,,,\r\n",
         "rs1 1:1500 [T/C]|rs2 X:2500 [T/C]|rs3 0:0 [A/B]", 1},
        {"SNP_Map.txt",
         "Index\tName\tChromosome\tPosition\tGenTrain Score\tSNP\tILMN Strand\tCustomer Strand\tNormID\n"
         "1\trs1\t1\t1500\t0.8\t[A/G]\tTOP\tTOP\t1\n2\trs3\tMT\t16000\t0.7\t[T/C]\tBOT\tBOT\t2\n",
         "rs1 1:1500 [A/G]|rs2 0:0 [A/B]|rs3 MT:16000 [T/C]", 1},
        {"annot.csv",
         "#%create_date=2020\n#%genome-version=GRCh38\n\"Probe Set ID\",\"Affy SNP ID\",\"dbSNP RS ID\",\"Chromosome\","
         "\"Physical Position\",\"Strand\",\"Allele A\",\"Allele B\"\n"
         "\"rs1\",\"Affx-1\",\"rs1\",\"2\",\"777\",\"+\",\"C\",\"T\"\n"
         "\"rs2\",\"Affx-2\",\"---\",\"---\",\"---\",\"---\",\"---\",\"---\"\n"
         "\"rs3\",\"Affx-3\",\"rs3\",\"Y\",\"9,1\",\"+\",\"A\",\"-\"\n",
         "rs1 2:777 [C/T]|rs2 0:0 [A/B]|rs3 Y:9,1 [A/-]", 0},
        {"plain.tsv", "name chrom pos a b\nrs3 chrX 12 G T\nrs2 7 99 A C\nextra 1 1 A G\n",
         "rs1 0:0 [A/B]|rs2 7:99 [A/C]|rs3 chrX:12 [G/T]", 1},
    };
    for (const auto& mp : maps) {
        SCOPED_TRACE(mp.name);
        write_file(dir + "/" + mp.name, mp.text);
        if (std::string(mp.name) == "plain.tsv") {
            ASSERT_EQ(std::system(("gzip -f '" + dir + "/plain.tsv'").c_str()), 0);
        }
        const std::string map = dir + "/" + mp.name + (std::string(mp.name) == "plain.tsv" ? ".gz" : "");
        run_result r = run_import("'" + dir + "/r.txt' --map '" + map + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string rows = mp.rows, want = "SNP_id chr.position allele S1.A S1.B S2.A S2.B\n";
        const char* values[] = {" 1 2 3 4\n", " 5 6 7 8\n", " 1 1 2 2\n"};
        for (int k = 0; k < 3; ++k) {
            want += rows.substr(0, rows.find('|')) + values[k];
            rows.erase(0, rows.find('|') == std::string::npos ? rows.size() : rows.find('|') + 1);
        }
        EXPECT_EQ(r.out, want);
        EXPECT_EQ(r.err.find("SNPs of") != std::string::npos, mp.unmapped > 0) << r.err;
    }
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> words;
    } bad[] = {
        {"twice", "name chrom pos a b\nrs1 1 5 A G\nrs1 2 6 A G\n", {"line 3", "SNP rs1 is named twice"}},
        {"no_column", "Index\tName\tChromosome\tPosition\tGenTrain Score\n1\trs1\t1\t5\t0.5\n", {"line 1", "no 'SNP' column"}},
        {"no_assay", "Illumina, Inc.\n[Heading]\nDescriptor File Name,x\n", {"without an [Assay] section"}},
        {"unknown", "what\tever\n", {"line 1", "not a map"}},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        write_file(dir + "/bad.map", b.text);
        run_result r = run_import("'" + dir + "/r.txt' --map '" + dir + "/bad.map' -o '" + dir + "/never.int'", dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Error : " + dir + "/bad.map"), std::string::npos) << r.err;
        for (const std::string& w : b.words) EXPECT_NE(r.err.find(w), std::string::npos) << w << " in " << r.err;
        EXPECT_EQ(slurp(dir + "/never.int"), "");
    }
}

// A summary with copy-number and DQC rows, B before A and partners apart, with an annotation map.
TEST(Import, AxiomSummaryPairsAAndBRowsAndSkipsRowsWithoutPartner)
{
    const std::string dir = scratch_dir("import_summary");
    write_file(dir + "/AxiomGT1.summary.txt",
               "#%guid=0000\r\n#%affymetrix-algorithm-name=summary\r\nprobeset_id\tNA1.CEL\tNA2.cel\tNA3\r\n"
               "AFFX-SNP_1-A\t900.5\t800\t700\r\nCN_123\t5\t6\t7\r\nAX-2-B\t40\t50\t60\r\n"
               "AX-1-A\t1000.25\t1100\t1200\r\nAX-1-B\t300\t310\t320\r\nAX-2-A\t4000\tNaN\t6000");
    write_file(dir + "/annot.csv", "#%chip_type=Axiom\n\"Probe Set ID\",\"Chromosome\",\"Physical Position\",\"Allele A\",\"Allele B\"\n"
                                   "\"AX-1\",\"X\",\"100\",\"G\",\"A\"\n\"AX-2\",\"MT\",\"200\",\"C\",\"T\"\n");
    run_result r = run_import("'" + dir + "/AxiomGT1.summary.txt' --map '" + dir + "/annot.csv'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SNP_id chr.position allele NA1.A NA1.B NA2.A NA2.B NA3.A NA3.B\n"
                     "AX-1 X:100 [G/A] 1000.25 300 1100 310 1200 320\nAX-2 MT:200 [C/T] 4000 40 NaN 50 6000 60\n");
    EXPECT_NE(r.err.find("2 rows of"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Axiom summary"), std::string::npos) << r.err;
}

// --split-chromosomes writes the groups that have SNPs, each a whole intensity file.
TEST(Import, SplitChromosomesWritesOneFilePerGroupWithSnps)
{
    const std::string dir = scratch_dir("import_split");
    write_file(dir + "/r.txt", "Name\tChr\tPosition\tS1.X\tS1.Y\n"
                               "a\t1\t10\t1\t2\nb\tchrX\t20\t3\t4\nc\t23\t30\t5\t6\nd\tXY\t40\t7\t8\n"
                               "e\tM\t50\t9\t1\nf\t25\t60\t2\t3\n");
    run_result r = run_import("'" + dir + "/r.txt' --split-chromosomes -o '" + dir + "/out'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"import.err", "import.out", "out.MT.int.gz", "out.X.int.gz",
                                                       "out.auto.int.gz", "r.txt"}));
    const std::string head = "SNP_id chr.position allele S1.A S1.B\n";
    const struct {
        const char* group;
        std::string rows;
    } want[] = {{"auto", "a 1:10 [A/B] 1 2\nd XY:40 [A/B] 7 8\nf 25:60 [A/B] 2 3\n"},
                {"X", "b chrX:20 [A/B] 3 4\nc 23:30 [A/B] 5 6\n"},
                {"MT", "e M:50 [A/B] 9 1\n"}};
    for (const auto& w : want) {
        SCOPED_TRACE(w.group);
        const std::string f = dir + "/out." + w.group + ".int.gz";
        ASSERT_EQ(std::system(("gzip -dc '" + f + "' > '" + dir + "/unpacked'").c_str()), 0);
        EXPECT_EQ(slurp(dir + "/unpacked"), head + w.rows);
        std::remove((dir + "/unpacked").c_str());
    }
    EXPECT_EQ(run_import("'" + dir + "/r.txt' --split-chromosomes", dir).status, 1);
}

TEST(Import, UnwritableOutputIsAnErrorNamingIt)
{
    const std::string dir = scratch_dir("import_unwritable");
    write_file(dir + "/r.txt", "Name\tS1.X\tS1.Y\nrs1\t1\t2\n");
    run_result r = run_import("'" + dir + "/r.txt' -o '" + dir + "/no/such/out.int'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error : could not write " + dir + "/no/such/out.int: "), std::string::npos) << r.err;
    const std::string cmd = std::string("'") + TAMSEL_IMPORT + "' '" + dir + "/r.txt' > /dev/full 2> '" + dir + "/err'";
    const int raw = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_NE(slurp(dir + "/err").find("Error : could not write standard output: No space left"), std::string::npos);
    r = run_import("'" + dir + "/missing.txt'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error : could not open " + dir + "/missing.txt"), std::string::npos) << r.err;
}

}  // namespace
