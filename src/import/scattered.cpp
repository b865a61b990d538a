// scattered.cpp -- sorted runs of (SNP, sample) records, merged into rows.
#include "scattered.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <queue>
#include <unordered_map>

#include "import_error.h"
#include "spill_file.h"

namespace {

struct record {
    uint32_t snp, sample;
    long line;
    std::string values;  // " A B"
};

bool before(const record& a, const record& b) { return a.snp != b.snp ? a.snp < b.snp : a.sample < b.sample; }

// Runs on disk hold one "SNP SAMPLE LINE A B" line per record.
bool parse(std::string_view s, record& r)
{
    const char* p = s.data();
    char* e;
    r.snp = static_cast<uint32_t>(std::strtoul(p, &e, 10));
    r.sample = static_cast<uint32_t>(std::strtoul(e, &e, 10));
    r.line = std::strtol(e, &e, 10);
    r.values.assign(e, static_cast<size_t>(s.data() + s.size() - e));
    return true;
}

}  // namespace

convert_stats convert_scattered(report_source& in, const report_columns& cols, const convert_options& opt,
                                row_output& out)
{
    const std::string& path = in.path();
    auto need = [&](const char* name) {
        int i = find_column(cols.names, name);
        if (i < 0) throw import_error(path + " line " + std::to_string(cols.line_no) + ": no '" + name + "' column");
        return static_cast<size_t>(i);
    };
    const size_t snp_col = need("SNP Name"), sample_col = need("Sample ID"), a = need(column_a(opt)),
                 b = need(column_b(opt));
    const int chr = find_column(cols.names, "Chr"), pos = find_column(cols.names, "Position"),
              alleles = find_column(cols.names, "SNP");
    auto field = [](const std::vector<std::string_view>& f, int i) { return i >= 0 ? f[static_cast<size_t>(i)] : std::string_view(); };

    convert_stats st;
    st.order = "in no order";
    std::unordered_map<std::string, uint32_t> snp_index, sample_index;
    std::vector<std::string> prefixes, samples;
    std::vector<record> chunk;
    size_t chunk_bytes = 0;
    std::unique_ptr<spill_file> spill;
    std::vector<std::pair<uint64_t, uint64_t>> runs;

    auto spill_chunk = [&]() {
        std::sort(chunk.begin(), chunk.end(), before);
        if (!spill) spill = std::make_unique<spill_file>(out.scratch_folder());
        const uint64_t begin = spill->size();
        std::string buf;
        for (const record& r : chunk) {
            buf += std::to_string(r.snp) + ' ' + std::to_string(r.sample) + ' ' + std::to_string(r.line) + r.values + '\n';
            if (buf.size() > (1u << 20)) spill->append(buf), buf.clear();
        }
        spill->append(buf);
        runs.emplace_back(begin, spill->size());
        chunk.clear();
        chunk.shrink_to_fit();
        chunk_bytes = 0;
    };

    std::string_view line;
    std::vector<std::string_view> f;
    while (in.next(line)) {
        if (blank_line(line)) continue;
        split_data_line(line, cols.sep, cols.names.size(), f, path, in.line_no());
        record r;
        auto s = snp_index.emplace(std::string(f[snp_col]), static_cast<uint32_t>(prefixes.size()));
        if (s.second) {
            prefixes.emplace_back();
            append_row_start(prefixes.back(), f[snp_col], field(f, chr), field(f, pos), field(f, alleles), opt, st, path,
                             in.line_no());
        }
        auto m = sample_index.emplace(std::string(f[sample_col]), static_cast<uint32_t>(samples.size()));
        if (m.second) {
            check_word(f[sample_col], "sample ID", path, in.line_no());
            samples.emplace_back(f[sample_col]);
        }
        r.snp = s.first->second;
        r.sample = m.first->second;
        r.line = in.line_no();
        append_intensity(r.values, f[a], st.not_numbers);
        append_intensity(r.values, f[b], st.not_numbers);
        chunk_bytes += sizeof(record) + r.values.capacity();
        chunk.push_back(std::move(r));
        if (chunk_bytes > opt.memory / 2) spill_chunk();
    }
    if (prefixes.empty()) throw import_error(path + ": no data lines after the column names");
    if (spill && !chunk.empty()) spill_chunk();
    std::sort(chunk.begin(), chunk.end(), before);

    // Merge: the in-memory chunk is source 0, each run on disk one more.
    std::vector<spill_reader> readers;
    const size_t window = std::max<size_t>(16 << 10, opt.memory / 2 / std::max<size_t>(1, runs.size()));
    for (const auto& r : runs) readers.emplace_back(*spill, r.first, r.second, window);
    std::vector<uint64_t> left(runs.size());
    for (size_t k = 0; k < runs.size(); ++k) left[k] = runs[k].second - runs[k].first;
    size_t chunk_at = 0;
    std::vector<record> head(readers.size());
    std::vector<uint64_t> read_bytes(readers.size(), 0);
    auto pull = [&](size_t k) {
        if (read_bytes[k] >= left[k]) return false;
        std::string_view s = readers[k].next();
        read_bytes[k] += s.size() + 1;
        return parse(s, head[k]);
    };
    auto cmp = [&](const std::pair<uint64_t, size_t>& x, const std::pair<uint64_t, size_t>& y) { return x.first > y.first; };
    std::priority_queue<std::pair<uint64_t, size_t>, std::vector<std::pair<uint64_t, size_t>>, decltype(cmp)> queue(cmp);
    auto key = [](const record& r) { return (static_cast<uint64_t>(r.snp) << 32) | r.sample; };
    for (size_t k = 0; k < readers.size(); ++k)
        if (pull(k)) queue.emplace(key(head[k]), k);

    std::string row = "SNP_id chr.position allele";
    for (const std::string& s : samples) {
        const std::string h = header_name(s);
        row += ' ' + h + ".A " + h + ".B";
    }
    out.write(row + '\n');
    std::vector<std::string> values(samples.size());
    std::vector<long> lines(samples.size());
    for (uint32_t j = 0; j < prefixes.size(); ++j) {
        auto take = [&](const record& r) {
            if (!values[r.sample].empty())
                throw import_error(path + " line " + std::to_string(std::max(r.line, lines[r.sample])) + ": SNP " +
                                   prefixes[j].substr(0, prefixes[j].find(' ')) + " and sample " + samples[r.sample] +
                                   " are given twice (also line " + std::to_string(std::min(r.line, lines[r.sample])) + ")");
            values[r.sample] = r.values;
            lines[r.sample] = r.line;
        };
        while (chunk_at < chunk.size() && chunk[chunk_at].snp == j) take(chunk[chunk_at++]);
        while (!queue.empty() && (queue.top().first >> 32) == j) {
            const size_t k = queue.top().second;
            queue.pop();
            take(head[k]);
            if (pull(k)) queue.emplace(key(head[k]), k);
        }
        row = prefixes[j];
        for (size_t i = 0; i < samples.size(); ++i) {
            if (values[i].empty()) {
                count_missing(st, prefixes[j].substr(0, prefixes[j].find(' ')), samples[i]);
                row += " NaN NaN";
            } else {
                row += values[i];
                values[i].clear();
            }
        }
        out.write(row + '\n');
    }
    st.snps = static_cast<long>(prefixes.size());
    st.samples = static_cast<long>(samples.size());
    st.spilled = spill ? spill->size() : 0;
    return st;
}
