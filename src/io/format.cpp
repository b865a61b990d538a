// format.cpp -- one SNP's rows of the four result files, and their number format.
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

void format_rows(const ::data& d, std::string rows[4])
{
    if (d.write_calls) {
        row_text row(rows[0]);
        row.ids(d.dat);
        if (d.write_pert) {
            row.real(d.pert_score[d.snp_index], 4);
            row.blank();
        }
        for (int i = 0; i < d.nind; ++i) {
            row.integer(d.final_calls[i]);
            row.blank();
        }
        row.end_line();
    }
    if (d.write_probs) {
        row_text row(rows[1]);
        row.ids(d.dat);
        if (d.write_pert) {
            row.real(d.pert_score[d.snp_index], 4);
            row.blank();
        }
        for (size_t j = 0; j < 4 * static_cast<size_t>(d.nind); ++j) {
            row.real(d.probs[j], 4);
            row.blank();
        }
        row.end_line();
    }
    if (d.write_kmodel) {
        row_text row(rows[2]);
        row.ids(d.dat);
        for (double v : {d.mu, d.mu_1, d.mu_2}) {
            row.real(v, 6);
            row.blank();
        }
        for (int v : {d.kmodel_choice, d.final_call_select[d.snp_index], d.pos1, d.pos2}) {
            row.integer(v);
            row.blank();
        }
        row.real(d.rangec[7][0], 6);
        row.blank();
        row.real(d.rangec[7][1], 6);
        row.blank();
        row.real(d.rangec[7][2], 6);
        row.end_line();
    }
    if (d.write_contrast) {
        row_text row(rows[3]);
        row.ids(d.dat);
        for (const ColumnVector* m : {&d.MU_AA, &d.MU_AB, &d.MU_BB}) {
            row.real((*m)(1), 6);
            row.blank();
        }
        row.integer(d.n_AA);
        row.blank();
        row.integer(d.n_AB);
        row.blank();
        row.integer(d.n_BB);
        row.end_line();
    }
}
