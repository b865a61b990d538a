// full_table.cpp -- Full Data Table to tamsel's layout, one line at a time.
#include "full_table.h"

#include <unordered_set>
#include <vector>

#include "import_error.h"

namespace {

struct sample_columns {
    std::string name;
    int a = -1, b = -1;
};

bool strip_suffix(const std::string& s, const std::string& tail, std::string& head)
{
    if (s.size() <= tail.size() || s.compare(s.size() - tail.size(), tail.size(), tail) != 0) return false;
    head = s.substr(0, s.size() - tail.size());
    return true;
}

// Samples in the order of their A column, each with both intensity columns.
std::vector<sample_columns> find_samples(const report_columns& cols, const convert_options& opt,
                                         const std::string& path)
{
    const std::string ta = std::string(".") + column_a(opt), tb = std::string(".") + column_b(opt);
    std::vector<sample_columns> v;
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < cols.names.size(); ++i) {
        std::string name;
        if (!strip_suffix(cols.names[i], ta, name)) continue;
        if (!seen.insert(name).second)
            throw import_error(path + " line " + std::to_string(cols.line_no) + ": sample " + name +
                               " appears twice (two " + cols.names[i] + " columns)");
        v.push_back({name, static_cast<int>(i), find_column(cols.names, name + tb)});
        if (v.back().b < 0)
            throw import_error(path + " line " + std::to_string(cols.line_no) + ": sample " + name + " has a " +
                               cols.names[i] + " column but no " + name + tb + " column");
    }
    for (size_t i = 0; i < cols.names.size(); ++i) {
        std::string name;
        if (strip_suffix(cols.names[i], tb, name) && !seen.count(name))
            throw import_error(path + " line " + std::to_string(cols.line_no) + ": sample " + name + " has a " +
                               cols.names[i] + " column but no " + name + ta + " column");
    }
    if (v.empty())
        throw import_error(path + " line " + std::to_string(cols.line_no) + ": no SAMPLE" + ta + " columns");
    return v;
}

}  // namespace

convert_stats convert_full_table(report_source& in, const report_columns& cols, const convert_options& opt,
                                 row_output& out)
{
    const std::string& path = in.path();
    const int name = find_column(cols.names, "Name"), chr = find_column(cols.names, "Chr"),
              pos = find_column(cols.names, "Position"), alleles = find_column(cols.names, "SNP");
    const std::vector<sample_columns> samples = find_samples(cols, opt, path);

    convert_stats st;
    st.samples = static_cast<long>(samples.size());
    std::string row = "SNP_id chr.position allele";
    for (const sample_columns& s : samples) {
        const std::string h = header_name(s.name);
        row += ' ' + h + ".A " + h + ".B";
    }
    row += '\n';
    out.write(row);

    std::string_view line;
    std::vector<std::string_view> f;
    while (in.next(line)) {
        if (blank_line(line)) continue;
        split_data_line(line, cols.sep, cols.names.size(), f, path, in.line_no());
        row.clear();
        append_row_start(row, f[name], chr >= 0 ? f[chr] : std::string_view(), pos >= 0 ? f[pos] : std::string_view(),
                         alleles >= 0 ? f[alleles] : std::string_view(), opt, st, path, in.line_no());
        for (const sample_columns& s : samples) {
            append_intensity(row, f[s.a], st.not_numbers);
            append_intensity(row, f[s.b], st.not_numbers);
        }
        row += '\n';
        out.write(row);
        ++st.snps;
    }
    return st;
}
