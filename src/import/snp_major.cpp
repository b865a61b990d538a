// snp_major.cpp -- one output row per run of lines of one SNP.
#include "snp_major.h"

#include <unordered_map>
#include <unordered_set>

#include "import_error.h"
#include "scattered.h"

namespace {

class snp_stream {
public:
    snp_stream(report_source& in, const report_columns& cols, const convert_options& opt, row_output& out,
               std::vector<std::pair<long, std::string>> first)
        : path_(in.path()), cols_(cols), opt_(opt), out_(out), lines_(in, std::move(first))
    {
        auto need = [&](const char* name) {
            int i = find_column(cols.names, name);
            if (i < 0)
                throw import_error(path_ + " line " + std::to_string(cols.line_no) + ": no '" + name + "' column");
            return i;
        };
        snp_ = need("SNP Name"), sample_ = need("Sample ID"), a_ = need(column_a(opt)), b_ = need(column_b(opt));
        chr_ = find_column(cols.names, "Chr"), pos_ = find_column(cols.names, "Position");
        alleles_ = find_column(cols.names, "SNP");
    }

    convert_stats run()
    {
        std::string_view line;
        std::vector<std::string_view> f;
        while (lines_.next(line)) {
            split_data_line(line, cols_.sep, cols_.names.size(), f, path_, lines_.line_no());
            const std::string_view snp = f[static_cast<size_t>(snp_)], sample = f[static_cast<size_t>(sample_)];
            if (snp != current_) start_snp(snp, f);
            add(sample, f);
        }
        if (!current_.empty()) end_snp();
        st_.snps = rows_;
        st_.samples = static_cast<long>(samples_.size());
        st_.order = "SNP by SNP";
        return st_;
    }

private:
    std::string where() const { return path_ + " line " + std::to_string(lines_.line_no()) + ": "; }
    std::string_view field(const std::vector<std::string_view>& f, int i) const
    {
        return i >= 0 ? f[static_cast<size_t>(i)] : std::string_view();
    }

    void start_snp(std::string_view snp, const std::vector<std::string_view>& f)
    {
        if (!current_.empty()) end_snp();
        if (!done_.insert(std::string(snp)).second)
            throw order_break(where() + "SNP " + std::string(snp) +
                               " comes back after other SNPs (the report must hold the lines of each SNP together, "
                               "or those of each sample)");
        current_ = snp;
        prefix_.clear();
        append_row_start(prefix_, snp, field(f, chr_), field(f, pos_), field(f, alleles_), opt_, st_, path_, lines_.line_no());
    }

    void add(std::string_view sample, const std::vector<std::string_view>& f)
    {
        size_t i;
        if (rows_ == 0) {
            check_word(sample, "sample ID", path_, lines_.line_no());
            auto got = index_.emplace(std::string(sample), samples_.size());
            if (!got.second)
                throw import_error(where() + "SNP " + current_ + " and sample " + std::string(sample) + " are given twice");
            samples_.emplace_back(sample);
            values_.emplace_back();
            i = samples_.size() - 1;
        } else {
            auto it = index_.find(std::string(sample));
            if (it == index_.end())
                throw order_break(where() + "sample " + std::string(sample) + " is not among the first SNP's samples");
            i = it->second;
            if (!values_[i].empty())
                throw import_error(where() + "SNP " + current_ + " and sample " + std::string(sample) + " are given twice");
        }
        append_intensity(values_[i], f[static_cast<size_t>(a_)], st_.not_numbers);
        append_intensity(values_[i], f[static_cast<size_t>(b_)], st_.not_numbers);
    }

    void end_snp()
    {
        if (rows_ == 0) {
            std::string h = "SNP_id chr.position allele";
            for (const std::string& s : samples_) {
                const std::string n = header_name(s);
                h += ' ' + n + ".A " + n + ".B";
            }
            out_.write(h + '\n');
        }
        row_ = prefix_;
        for (size_t i = 0; i < values_.size(); ++i) {
            if (values_[i].empty()) {
                count_missing(st_, current_, samples_[i]);
                row_ += " NaN NaN";
            } else {
                row_ += values_[i];
                values_[i].clear();
            }
        }
        row_ += '\n';
        out_.write(row_);
        ++rows_;
    }

    const std::string path_;
    const report_columns& cols_;
    const convert_options& opt_;
    row_output& out_;
    data_lines lines_;
    int snp_, sample_, a_, b_, chr_, pos_, alleles_;
    convert_stats st_;

    std::vector<std::string> samples_;
    std::unordered_map<std::string, size_t> index_;
    std::vector<std::string> values_;  // " A B" of each sample for the current SNP
    std::unordered_set<std::string> done_;
    std::string current_, prefix_, row_;
    long rows_ = 0;
};

}  // namespace

convert_stats convert_snp_major(report_source& in, const report_columns& cols, const convert_options& opt,
                                row_output& out, std::vector<std::pair<long, std::string>> first)
{
    return snp_stream(in, cols, opt, out, std::move(first)).run();
}
