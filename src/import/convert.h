// convert.h -- what both report layouts share: options and the run's figures.
#ifndef TAMSEL_IMPORT_CONVERT_H
#define TAMSEL_IMPORT_CONVERT_H

#include <cstddef>
#include <string>
#include <vector>

#include "layout.h"
#include "map_file.h"
#include "report_source.h"
#include "split_output.h"

struct convert_options {
    bool raw = false;                        // X Raw / Y Raw instead of X / Y
    size_t memory = size_t(256) << 20;       // pivot budget in bytes
    const snp_map* map = nullptr;            // positions and alleles from --map
};

struct convert_stats {
    long snps = 0, samples = 0;
    unsigned long long not_numbers = 0;      // values written NaN that were not a missing mark
    unsigned long long spilled = 0;          // bytes the pivot wrote to its temporary file
    unsigned long long missing_pairs = 0;    // SNP x sample pairs the report lacks, written NaN
    std::vector<std::string> first_missing;  // the first few of them, "SNP/sample"
    unsigned long long unmapped = 0;         // SNPs the map does not name
    unsigned long long unpaired = 0;         // summary rows without their A or B partner
    const char* order = "";                  // how the report's lines were ordered
};

// Counts a SNP x sample pair the report lacks, keeping the first few names.
inline void count_missing(convert_stats& st, std::string_view snp, std::string_view sample)
{
    if (st.first_missing.size() < 3) st.first_missing.push_back(std::string(snp) + "/" + std::string(sample));
    ++st.missing_pairs;
}

// The row's "ID CHR:POS ALLELES": from the map when it names ID, else from the report.
inline void append_row_start(std::string& out, std::string_view id, std::string_view chr, std::string_view pos,
                             std::string_view alleles, const convert_options& opt, convert_stats& st,
                             const std::string& path, long line)
{
    if (opt.map) {
        check_word(id, "SNP name", path, line);
        auto it = opt.map->find(std::string(id));
        if (it != opt.map->end()) {
            out.append(id.data(), id.size());
            out += ' ';
            out += it->second;
            return;
        }
        ++st.unmapped;
    }
    append_snp_fields(out, id, chr, pos, alleles, path, line);
}

// The names of the two intensity columns (for a Full Data Table, their suffixes).
inline const char* column_a(const convert_options& o) { return o.raw ? "X Raw" : "X"; }
inline const char* column_b(const convert_options& o) { return o.raw ? "Y Raw" : "Y"; }

#endif
