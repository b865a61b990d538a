// final_report.cpp -- the long layout's pivot through sample groups.
#include "final_report.h"

#include <algorithm>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import_error.h"
#include "scattered.h"
#include "snp_major.h"
#include "spill_file.h"

namespace {

struct used_columns {
    int snp, sample, a, b, chr, pos, alleles;
};

used_columns find_columns(const report_columns& cols, const convert_options& opt, const std::string& path)
{
    auto need = [&](const char* name) {
        int i = find_column(cols.names, name);
        if (i >= 0) return i;
        std::string have;
        for (const std::string& n : cols.names) have += (have.empty() ? "" : ", ") + n;
        throw import_error(path + " line " + std::to_string(cols.line_no) + ": no '" + name +
                           "' column (the columns are: " + have + ")");
    };
    return {need("SNP Name"), need("Sample ID"), need(column_a(opt)), need(column_b(opt)),
            find_column(cols.names, "Chr"), find_column(cols.names, "Position"), find_column(cols.names, "SNP")};
}

std::string_view field_or_empty(const std::vector<std::string_view>& f, int i)
{
    return i >= 0 ? f[static_cast<size_t>(i)] : std::string_view();
}

// Appends the record under CURSOR (up to its '\n') and moves past it.
void take_record(std::string& row, const std::string& block, size_t& cursor)
{
    const char* p = block.data() + cursor;
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', block.size() - cursor));
    row.append(p, static_cast<size_t>(nl - p));
    cursor += static_cast<size_t>(nl - p) + 1;
}

class pivot {
public:
    pivot(report_source& in, const report_columns& cols, const convert_options& opt, row_output& out,
          std::vector<std::pair<long, std::string>> pending)
        : lines_(in, std::move(pending)), path_(in.path()), sep_(cols.sep), ncols_(cols.names.size()), col_(find_columns(cols, opt, path_)),
          opt_(opt), out_(out)
    {
    }

    convert_stats run()
    {
        std::string_view line;
        std::vector<std::string_view> f;
        while (lines_.next(line)) {
            split_data_line(line, sep_, ncols_, f, path_, lines_.line_no());
            const std::string_view sample = f[static_cast<size_t>(col_.sample)];
            if (samples_.empty() || sample != samples_.back()) {
                if (!samples_.empty()) end_block(lines_.line_no() - 1);
                start_block(sample);
            }
            add_record(f);
        }
        if (samples_.empty()) throw import_error(path_ + ": no data lines after the column names");
        end_block(lines_.line_no());
        emit();
        return stats_;
    }

private:
    std::string where() const { return path_ + " line " + std::to_string(lines_.line_no()) + ": "; }
    std::string_view snp_name(uint32_t j) const
    {
        const size_t b = prefix_start_[j];
        return std::string_view(prefixes_).substr(b, prefixes_.find(' ', b) - b);
    }

    void start_block(std::string_view sample)
    {
        check_word(sample, "sample ID", path_, lines_.line_no());
        if (!sample_set_.insert(std::string(sample)).second)
            throw order_break(where() + "sample " + std::string(sample) +
                               " appears in two blocks (the report must hold the lines of each sample together, or those of each SNP)");
        samples_.emplace_back(sample);
        if (!seen_.empty()) std::fill(seen_.begin(), seen_.end(), 0);
        count_ = 0;
        in_order_ = true;
        cur_.clear();
        cur_.reserve(block_estimate_);
    }

    void add_record(const std::vector<std::string_view>& f)
    {
        const std::string_view name = f[static_cast<size_t>(col_.snp)];
        uint32_t j;
        if (samples_.size() == 1) {
            j = static_cast<uint32_t>(prefix_start_.size());
            if (!index_.emplace(std::string(name), j).second)
                throw import_error(where() + "sample " + samples_.back() + " has SNP " + std::string(name) + " twice");
            prefix_start_.push_back(prefixes_.size());
            append_row_start(prefixes_, name, field_or_empty(f, col_.chr), field_or_empty(f, col_.pos),
                             field_or_empty(f, col_.alleles), opt_, stats_, path_, lines_.line_no());
            prefixes_ += ' ';
        } else {
            // Blocks almost always repeat the first block's order: try the next SNP first.
            j = count_;
            if (j >= prefix_start_.size() || name != snp_name(j)) {
                auto it = index_.find(std::string(name));
                if (it == index_.end())
                    throw order_break(where() + "sample " + samples_.back() + ": SNP " + std::string(name) +
                                       " is not in the first sample's block (the report must hold the lines "
                                       "of each sample together, or those of each SNP)");
                j = it->second;
            }
            if (seen_[j])
                throw import_error(where() + "sample " + samples_.back() + " has SNP " + std::string(name) + " twice");
            seen_[j] = 1;
            arrival_[count_] = j;
            in_order_ = in_order_ && j == count_;
        }
        ++count_;
        append_intensity(cur_, f[static_cast<size_t>(col_.a)], stats_.not_numbers);
        append_intensity(cur_, f[static_cast<size_t>(col_.b)], stats_.not_numbers);
        cur_ += '\n';
    }

    void end_block(long last_line)
    {
        const size_t n = prefix_start_.size();
        if (samples_.size() == 1) {
            seen_.assign(n, 0);
            arrival_.assign(n, 0);
            block_estimate_ = cur_.size() + cur_.size() / 16 + 64;
        } else {
            (void)last_line;
            // Pairs the block lacks are NaN.
            for (uint32_t j = 0; count_ < n && j < n; ++j)
                if (!seen_[j]) {
                    count_missing(stats_, snp_name(j), samples_.back());
                    cur_ += " NaN NaN\n";
                    arrival_[count_++] = j;
                    in_order_ = false;
                }
            if (!in_order_) reorder();
        }
        group_bytes_ += cur_.capacity();
        group_.push_back(std::move(cur_));
        cur_ = std::string();
        if (group_bytes_ + block_estimate_ > opt_.memory) spill_group();
    }

    // Puts the current block's records into the first block's SNP order.
    void reorder()
    {
        std::vector<size_t> start(prefix_start_.size());
        size_t at = 0;
        for (uint32_t k = 0; k < count_; ++k) {
            start[arrival_[k]] = at;
            at = cur_.find('\n', at) + 1;
        }
        std::string sorted;
        sorted.reserve(cur_.size());
        for (size_t s : start) sorted.append(cur_, s, cur_.find('\n', s) + 1 - s);
        cur_.swap(sorted);
    }

    // Writes the group as rows, one per SNP, to the temporary file.
    void spill_group()
    {
        if (group_.empty()) return;
        if (!spill_) spill_ = std::make_unique<spill_file>(out_.scratch_folder());
        const uint64_t begin = spill_->size();
        const size_t chunk = std::max<size_t>(16 << 10, std::min<size_t>(opt_.memory / 8, 1 << 20));
        std::vector<size_t> cursor(group_.size(), 0);
        std::string buf;
        for (size_t j = 0; j < prefix_start_.size(); ++j) {
            for (size_t s = 0; s < group_.size(); ++s) take_record(buf, group_[s], cursor[s]);
            buf += '\n';
            if (buf.size() >= chunk) {
                spill_->append(buf);
                buf.clear();
            }
        }
        spill_->append(buf);
        spilled_.emplace_back(begin, spill_->size());
        group_.clear();
        group_.shrink_to_fit();
        group_bytes_ = 0;
    }

    void emit()
    {
        std::string row = "SNP_id chr.position allele";
        for (const std::string& s : samples_) {
            const std::string h = header_name(s);
            row += ' ' + h + ".A " + h + ".B";
        }
        row += '\n';
        out_.write(row);
        const size_t n = prefix_start_.size();
        // Once anything went to disk, every group does, so the windows share the whole budget.
        if (spill_) {
            spill_group();
#ifdef __GLIBC__
            // The groups' freed memory goes back to the system before the windows take the budget.
            malloc_trim(0);
#endif
        }
        prefix_start_.push_back(prefixes_.size());
        index_.clear();
        seen_ = std::vector<char>();
        arrival_ = std::vector<uint32_t>();

        std::vector<spill_reader> readers;
        const size_t window = std::max<size_t>(16 << 10, opt_.memory / std::max<size_t>(1, spilled_.size()));
        for (const auto& r : spilled_) readers.emplace_back(*spill_, r.first, r.second, window);
        std::vector<size_t> cursor(group_.size(), 0);
        for (size_t j = 0; j < n; ++j) {
            row.assign(prefixes_, prefix_start_[j], prefix_start_[j + 1] - prefix_start_[j] - 1);
            for (spill_reader& r : readers) row += r.next();
            for (size_t s = 0; s < group_.size(); ++s) take_record(row, group_[s], cursor[s]);
            row += '\n';
            out_.write(row);
        }
        stats_.snps = static_cast<long>(n);
        stats_.samples = static_cast<long>(samples_.size());
        stats_.spilled = spill_ ? spill_->size() : 0;
    }

    data_lines lines_;
    const std::string path_;
    const char sep_;
    const size_t ncols_;
    const used_columns col_;
    const convert_options opt_;
    row_output& out_;
    convert_stats stats_;

    // The first block's SNPs: "ID CHR:POS ALLELES " texts and a name index.
    std::string prefixes_;
    std::vector<size_t> prefix_start_;
    std::unordered_map<std::string, uint32_t> index_;

    std::vector<std::string> samples_;
    std::unordered_set<std::string> sample_set_;

    // The block being read: records in arrival order, which SNP each is, which SNPs came.
    std::string cur_;
    uint32_t count_ = 0;
    bool in_order_ = true;
    std::vector<uint32_t> arrival_;
    std::vector<char> seen_;
    size_t block_estimate_ = 0;

    std::vector<std::string> group_;
    size_t group_bytes_ = 0;
    std::unique_ptr<spill_file> spill_;
    std::vector<std::pair<uint64_t, uint64_t>> spilled_;
};

}  // namespace

convert_stats convert_final_report(report_source& in, const report_columns& cols, const convert_options& opt,
                                   row_output& out)
{
    // The first two data lines tell the order: the same SNP twice means SNP by SNP.
    std::vector<std::pair<long, std::string>> first;
    std::string_view line;
    while (first.size() < 2 && in.next(line))
        if (!blank_line(line)) first.emplace_back(in.line_no(), line);
    const int snp = find_column(cols.names, "SNP Name"), sample = find_column(cols.names, "Sample ID");
    if (first.size() == 2 && snp >= 0 && sample >= 0) {
        std::vector<std::string_view> f0, f1;
        split_fields(first[0].second, cols.sep, f0);
        split_fields(first[1].second, cols.sep, f1);
        const size_t need = static_cast<size_t>(std::max(snp, sample));
        if (f0.size() > need && f1.size() > need && f0[snp] == f1[snp] && f0[sample] != f1[sample])
            return convert_snp_major(in, cols, opt, out, std::move(first));
    }
    convert_stats st = pivot(in, cols, opt, out, std::move(first)).run();
    st.order = "sample by sample";
    return st;
}
