// axiom_summary.cpp -- pairing the -A and -B rows of each probeset.
#include "axiom_summary.h"

#include <unordered_map>

#include "import_error.h"

namespace {

bool ends_with_nocase(const std::string& s, const char* tail)
{
    const size_t n = std::char_traits<char>::length(tail);
    if (s.size() <= n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
    return true;
}

}  // namespace

convert_stats convert_axiom_summary(report_source& in, const report_columns& cols, const convert_options& opt,
                                    row_output& out)
{
    const std::string& path = in.path();
    convert_stats st;
    st.order = "probeset by probeset";
    const size_t n = cols.names.size() - 1;
    st.samples = static_cast<long>(n);
    std::string row = "SNP_id chr.position allele";
    for (size_t i = 1; i < cols.names.size(); ++i) {
        std::string name = cols.names[i];
        if (ends_with_nocase(name, ".CEL")) name.resize(name.size() - 4);
        const std::string h = header_name(name);
        row += ' ' + h + ".A " + h + ".B";
    }
    out.write(row + '\n');

    // Rows waiting for their partner: the probeset, its line, whether it is the A row, its values.
    struct half {
        long line;
        bool is_a;
        std::vector<std::string> values;
    };
    std::unordered_map<std::string, half> waiting;
    std::string_view line;
    std::vector<std::string_view> f;
    while (in.next(line)) {
        if (blank_line(line) || line[0] == '#') continue;
        split_data_line(line, cols.sep, cols.names.size(), f, path, in.line_no());
        const std::string_view id = f[0];
        const bool is_a = id.size() > 2 && id.substr(id.size() - 2) == "-A";
        const bool is_b = id.size() > 2 && id.substr(id.size() - 2) == "-B";
        if (!is_a && !is_b) {
            ++st.unpaired;
            continue;
        }
        const std::string probeset(id.substr(0, id.size() - 2));
        auto it = waiting.find(probeset);
        if (it == waiting.end()) {
            half h{in.line_no(), is_a, std::vector<std::string>(f.begin() + 1, f.end())};
            waiting.emplace(probeset, std::move(h));
            continue;
        }
        if (it->second.is_a == is_a)
            throw import_error(path + " line " + std::to_string(in.line_no()) + ": probeset " + probeset + " has two " +
                               (is_a ? "-A" : "-B") + " rows (also line " + std::to_string(it->second.line) + ")");
        row.clear();
        append_row_start(row, probeset, {}, {}, {}, opt, st, path, in.line_no());
        const std::vector<std::string>& other = it->second.values;
        for (size_t i = 0; i < n; ++i) {
            append_intensity(row, is_a ? f[i + 1] : std::string_view(other[i]), st.not_numbers);
            append_intensity(row, is_a ? std::string_view(other[i]) : f[i + 1], st.not_numbers);
        }
        row += '\n';
        out.write(row);
        ++st.snps;
        waiting.erase(it);
    }
    st.unpaired += waiting.size();
    return st;
}
