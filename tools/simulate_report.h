// simulate_report.h -- the simulator's intensities as an array vendor's
// reports: a Final Report in the long layout (one line per SNP and sample,
// blocks of one sample) or a Full Data Table (one line per SNP), each with the
// same X/Y text as the .int file, so a converted report must equal the .int.
#ifndef TAMSEL_SIMULATE_REPORT_H
#define TAMSEL_SIMULATE_REPORT_H

#include <cmath>
#include <cstdint>
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

// Where each tab-separated field of a .int row starts (one past the end last).
inline std::vector<uint32_t> field_starts(const std::string& line)
{
    std::vector<uint32_t> at{0};
    for (size_t k = 0; k < line.size(); ++k)
        if (line[k] == '\t' || line[k] == '\n') at.push_back(static_cast<uint32_t>(k + 1));
    if (line.empty() || line.back() != '\n') at.push_back(static_cast<uint32_t>(line.size() + 1));
    return at;
}

// ROWS are .int rows (id, CHR:POS, alleles, A and B per sample), NAMES the samples.
// The rows are cut once and kept as offsets: a report of gigabytes stays a few
// hundred MB in memory.
inline bool final_report(FILE* f, const std::vector<std::string>& rows, const std::vector<std::string>& names)
{
    std::string s = "[Header]\nGSGT Version\t2.0.4\nProcessing Date\t1/1/2026 12:00 PM\nNum SNPs\t" +
                    std::to_string(rows.size()) + "\nTotal Samples\t" + std::to_string(names.size()) +
                    "\n[Data]\nSNP Name\tSample ID\tAllele1 - Top\tAllele2 - Top\tGC Score\tChr\tPosition\t"
                    "X\tY\tX Raw\tY Raw\tSNP\n";
    bool ok = put(f, s);
    std::vector<std::vector<uint32_t>> at;
    std::vector<std::string> head;  // "ID\tSAMPLE" is put between the id and the rest
    at.reserve(rows.size());
    for (const std::string& r : rows) at.push_back(field_starts(r));
    auto field = [&](size_t j, size_t k) { return rows[j].substr(at[j][k], at[j][k + 1] - 1 - at[j][k]); };
    for (size_t j = 0; j < rows.size(); ++j) {
        const std::string pos = field(j, 1), ab = field(j, 2);
        const size_t colon = pos.find(':');
        head.push_back(std::string("\t") + ab[0] + '\t' + ab[1] + "\t0.8123\t" + pos.substr(0, colon) + '\t' +
                       pos.substr(colon + 1));
    }
    for (size_t i = 0; i < names.size() && ok; ++i) {
        s.clear();
        for (size_t j = 0; j < rows.size(); ++j) {
            const std::string a = field(j, 3 + 2 * i), b = field(j, 4 + 2 * i);
            s += field(j, 0) + '\t' + names[i] + head[j] + '\t' + a + '\t' + b + '\t' + raw(a) + '\t' + raw(b) +
                 '\t' + allele_text(field(j, 2)) + '\n';
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
