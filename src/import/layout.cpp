// layout.cpp -- recognising a report and the shared field rules.
#include "layout.h"

#include <cstdlib>

#include "import_error.h"
#include "report_source.h"

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// "[Data]" in a comma-separated export may carry trailing separators: "[Data],,".
bool is_section(std::string_view line, std::string_view name)
{
    line = trim(line);
    while (!line.empty() && line.back() == ',') line.remove_suffix(1);
    return trim(line) == name;
}

std::vector<std::string> owned(const std::vector<std::string_view>& v)
{
    return std::vector<std::string>(v.begin(), v.end());
}

bool ends_with(std::string_view s, std::string_view tail)
{
    return s.size() > tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

void split_fields(std::string_view line, char sep, std::vector<std::string_view>& out)
{
    out.clear();
    size_t from = 0;
    for (;;) {
        size_t at = line.find(sep, from);
        if (at == std::string_view::npos) {
            out.push_back(trim(line.substr(from)));
            return;
        }
        out.push_back(trim(line.substr(from, at - from)));
        from = at + 1;
    }
}

void split_data_line(std::string_view line, char sep, size_t ncols, std::vector<std::string_view>& out,
                     const std::string& path, long line_no)
{
    split_fields(line, sep, out);
    if (out.size() != ncols)
        throw import_error(path + " line " + std::to_string(line_no) + ": " + std::to_string(out.size()) +
                           " fields where the column names have " + std::to_string(ncols));
}

int find_column(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

report_columns detect_layout(report_source& in)
{
    std::string_view line;
    std::vector<std::string_view> fields;
    while (in.next(line) && trim(line).empty()) {
    }
    if (in.line_no() == 0 || trim(line).empty()) throw import_error(in.path() + " is empty");
    // Files saved by some Windows tools start with a UTF-8 byte order mark.
    if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (is_section(line, "[Header]") || is_section(line, "[Data]")) {
        // Everything before [Data] describes the run, not the data.
        long snps = -1, samples = -1;
        while (!is_section(line, "[Data]")) {
            const char sep = line.find('\t') != std::string_view::npos ? '\t' : ',';
            split_fields(line, sep, fields);
            if (fields.size() >= 2 && (fields[0] == "Num SNPs" || fields[0] == "Num Samples"))
                (fields[0] == "Num SNPs" ? snps : samples) = std::atol(std::string(fields[1]).c_str());
            if (!in.next(line)) throw import_error(in.path() + ": a [Header] section but no [Data] section");
        }
        if (!in.next(line)) throw import_error(in.path() + ": no column names after [Data]");
        report_columns c{report_layout::final_report, line.find('\t') != std::string_view::npos ? '\t' : ',', {}, in.line_no()};
        split_fields(line, c.sep, fields);
        c.names = owned(fields);
        c.header_snps = snps;
        c.header_samples = samples;
        return c;
    }
    // An analysis summary of the Axiom tools: "#%" lines, then "probeset_id" and the CEL files.
    if (line.substr(0, 2) == "#%" || line.substr(0, 11) == "probeset_id") {
        while (line.empty() || line[0] == '#')
            if (!in.next(line)) throw import_error(in.path() + ": '#' header lines but no probeset_id column line");
        report_columns c{report_layout::axiom_summary, line.find('\t') != std::string_view::npos ? '\t' : ',', {}, in.line_no()};
        split_fields(line, c.sep, fields);
        c.names = owned(fields);
        if (c.names.empty() || c.names[0] != "probeset_id" || c.names.size() < 2)
            throw import_error(in.path() + " line " + std::to_string(in.line_no()) +
                               ": a summary's column line starts with probeset_id and names the samples");
        return c;
    }
    report_columns c{report_layout::full_table, line.find('\t') != std::string_view::npos ? '\t' : ',', {}, in.line_no()};
    split_fields(line, c.sep, fields);
    c.names = owned(fields);
    bool per_sample = false;
    for (const std::string& n : c.names)
        per_sample = per_sample || ends_with(n, ".X") || ends_with(n, ".X Raw") || ends_with(n, ".GType");
    if (find_column(c.names, "Name") < 0 || !per_sample)
        throw import_error(in.path() + ": neither a Final Report (no [Header] or [Data] section) nor a Full Data Table "
                           "(no Name and SAMPLE.X columns on line 1)");
    return c;
}

value_kind classify_value(std::string_view v)
{
    if (v.empty() || v == "-" || v == "NaN" || v == "nan" || v == "NAN") return value_kind::missing;
    size_t i = 0, n = v.size(), digits = 0;
    if (v[i] == '+' || v[i] == '-') ++i;
    for (; i < n && v[i] >= '0' && v[i] <= '9'; ++i) ++digits;
    if (i < n && v[i] == '.')
        for (++i; i < n && v[i] >= '0' && v[i] <= '9'; ++i) ++digits;
    if (digits == 0) return value_kind::other;
    if (i < n && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < n && (v[i] == '+' || v[i] == '-')) ++i;
        size_t exp_digits = 0;
        for (; i < n && v[i] >= '0' && v[i] <= '9'; ++i) ++exp_digits;
        if (exp_digits == 0) return value_kind::other;
    }
    return i == n ? value_kind::number : value_kind::other;
}

void append_intensity(std::string& out, std::string_view v, unsigned long long& not_numbers)
{
    out += ' ';
    switch (classify_value(v)) {
    case value_kind::number:
        out.append(v.data(), v.size());
        return;
    case value_kind::other:
        ++not_numbers;
        break;
    case value_kind::missing:
        break;
    }
    out += "NaN";
}

void check_word(std::string_view v, const char* what, const std::string& path, long line)
{
    if (v.empty()) throw import_error(path + " line " + std::to_string(line) + ": empty " + what);
    if (v.find_first_of(" \t") != std::string_view::npos)
        throw import_error(path + " line " + std::to_string(line) + ": " + what + " '" + std::string(v) +
                           "' contains a blank");
}

void append_snp_fields(std::string& out, std::string_view id, std::string_view chr, std::string_view pos,
                       std::string_view alleles, const std::string& path, long line)
{
    check_word(id, "SNP name", path, line);
    if (chr.empty()) chr = "0";
    if (pos.empty()) pos = "0";
    if (alleles.empty()) alleles = "[A/B]";
    check_word(chr, "chromosome", path, line);
    check_word(pos, "position", path, line);
    check_word(alleles, "allele text", path, line);
    out.append(id.data(), id.size());
    out += ' ';
    out.append(chr.data(), chr.size());
    out += ':';
    out.append(pos.data(), pos.size());
    out += ' ';
    out.append(alleles.data(), alleles.size());
}

std::string header_name(std::string_view sample)
{
    std::string s(sample);
    for (char& c : s)
        if (c == '.' || c == ' ' || c == '\t') c = '_';
    return s;
}
