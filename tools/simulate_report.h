// simulate_report.h -- the simulator's intensities as an array vendor's
// reports: a Final Report in the long layout (one line per SNP and sample,
// blocks of one sample) or a Full Data Table (one line per SNP), each with the
// same X/Y text as the .int file, so a converted report must equal the .int.
#ifndef TAMSEL_SIMULATE_REPORT_H
#define TAMSEL_SIMULATE_REPORT_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace report {

// One .int row cut into its tab-separated fields.
inline std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> f;
    size_t from = 0;
    for (;;) {
        size_t at = line.find_first_of("\t\n", from);
        f.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos || line[at] == '\n') return f;
        from = at + 1;
    }
}

// A raw intensity as an integer count, 0 where the normalised value is missing.
inline std::string raw(const std::string& v) { return v == "NaN" ? "0" : std::to_string(std::lround(std::atof(v.c_str()) * 4000.0)); }

inline std::string allele_text(const std::string& ab) { return "[" + ab.substr(0, 1) + "/" + ab.substr(1) + "]"; }

inline bool put(FILE* f, const std::string& s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

// ROWS are .int rows (id, CHR:POS, alleles, A and B per sample), NAMES the samples.
inline bool final_report(FILE* f, const std::vector<std::string>& rows, const std::vector<std::string>& names)
{
    std::string s = "[Header]\nGSGT Version\t2.0.4\nProcessing Date\t1/1/2026 12:00 PM\nNum SNPs\t" +
                    std::to_string(rows.size()) + "\nTotal Samples\t" + std::to_string(names.size()) +
                    "\n[Data]\nSNP Name\tSample ID\tAllele1 - Top\tAllele2 - Top\tGC Score\tChr\tPosition\t"
                    "X\tY\tX Raw\tY Raw\tSNP\n";
    bool ok = put(f, s);
    std::vector<std::vector<std::string>> cut;
    cut.reserve(rows.size());
    for (const std::string& r : rows) cut.push_back(fields(r));
    for (size_t i = 0; i < names.size() && ok; ++i) {
        s.clear();
        for (const std::vector<std::string>& c : cut) {
            const std::string &a = c[3 + 2 * i], &b = c[4 + 2 * i];
            const size_t colon = c[1].find(':');
            s += c[0] + '\t' + names[i] + '\t' + c[2][0] + '\t' + c[2][1] + "\t0.8123\t" + c[1].substr(0, colon) +
                 '\t' + c[1].substr(colon + 1) + '\t' + a + '\t' + b + '\t' + raw(a) + '\t' + raw(b) + '\t' +
                 allele_text(c[2]) + '\n';
        }
        ok = put(f, s);
    }
    return ok;
}

inline bool full_table_header(FILE* f, const std::vector<std::string>& names)
{
    std::string s = "Index\tName\tChr\tPosition\tSNP";
    for (const std::string& n : names)
        s += '\t' + n + ".GType\t" + n + ".X\t" + n + ".Y\t" + n + ".X Raw\t" + n + ".Y Raw";
    return put(f, s + '\n');
}

inline bool full_table_row(FILE* f, long index, const std::string& row)
{
    const std::vector<std::string> c = fields(row);
    const size_t colon = c[1].find(':');
    std::string s = std::to_string(index) + '\t' + c[0] + '\t' + c[1].substr(0, colon) + '\t' +
                    c[1].substr(colon + 1) + '\t' + allele_text(c[2]);
    for (size_t k = 3; k + 1 < c.size(); k += 2)
        s += "\tNC\t" + c[k] + '\t' + c[k + 1] + '\t' + raw(c[k]) + '\t' + raw(c[k + 1]);
    return put(f, s + '\n');
}

}  // namespace report

#endif
