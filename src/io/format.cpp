// output.cpp -- one SNP's rows of the four result files, and their number format.
#include <charconv>
#include <cmath>

#include "data.h"
#include "format.h"

void append_real(std::string& out, double v, int digits)
{
    if (std::isnan(v)) {
        out += "nan";
        return;
    }
    // Most probabilities are exactly 0 or 1.
    if (v == 0 && !std::signbit(v)) {
        out += '0';
        return;
    }
    if (v == 1) {
        out += '1';
        return;
    }
    char b[64];
    auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::general, digits);
    out.append(b, r.ptr);
}

void append_int(std::string& out, long v)
{
    char b[24];
    auto r = std::to_chars(b, b + sizeof b, v);
    out.append(b, r.ptr);
}

namespace {

// A row is formatted into one text, written whole by the run driver.
class row_text {
public:
    explicit row_text(std::string& out) : out_(out) { out_.clear(); }
    void text(const std::string& s) { out_ += s; }
    void blank() { out_ += ' '; }
    void integer(long v) { append_int(out_, v); }
    void real(double v, int digits) { append_real(out_, v, digits); }
    void end_line() { out_ += '\n'; }
    void ids(const snp& s)
    {
        for (const std::string* f : {&s.SNP_id, &s.chr_position, &s.allele}) {
            text(*f);
            blank();
        }
    }

private:
    std::string& out_;
};

}  // namespace

void data::format_rows(std::string rows[4]) const
{
    if (write_calls) {
        row_text row(rows[0]);
        row.ids(dat);
        if (write_pert) {
            row.real(pert_score[snp_index], 4);
            row.blank();
        }
        for (int i = 0; i < nind; ++i) {
            row.integer(final_calls[i]);
            row.blank();
        }
        row.end_line();
    }
    if (write_probs) {
        row_text row(rows[1]);
        row.ids(dat);
        if (write_pert) {
            row.real(pert_score[snp_index], 4);
            row.blank();
        }
        for (size_t j = 0; j < 4 * static_cast<size_t>(nind); ++j) {
            row.real(probs[j], 4);
            row.blank();
        }
        row.end_line();
    }
    if (write_kmodel) {
        row_text row(rows[2]);
        row.ids(dat);
        for (double v : {mu, mu_1, mu_2}) {
            row.real(v, 6);
            row.blank();
        }
        for (int v : {kmodel_choice, final_call_select[snp_index], pos1, pos2}) {
            row.integer(v);
            row.blank();
        }
        row.real(rangec[7][0], 6);
        row.blank();
        row.real(rangec[7][1], 6);
        row.blank();
        row.real(rangec[7][2], 6);
        row.end_line();
    }
    if (write_contrast) {
        row_text row(rows[3]);
        row.ids(dat);
        for (const ColumnVector* m : {&MU_AA, &MU_AB, &MU_BB}) {
            row.real((*m)(1), 6);
            row.blank();
        }
        row.integer(n_AA);
        row.blank();
        row.integer(n_AB);
        row.blank();
        row.integer(n_BB);
        row.end_line();
    }
}
