// output.cpp -- the four result files: names, header lines and one row per SNP.
#include <charconv>
#include <cmath>
#include <iostream>

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

// A row is formatted into one buffer and written with one call, then flushed,
// so a file can be followed while the run goes on.
class row_buffer {
public:
    void text(const std::string& s) { out_ += s; }
    void text(const char* s) { out_ += s; }
    void blank() { out_ += ' '; }
    void integer(long v) { append_int(out_, v); }
    void real(double v, int digits) { append_real(out_, v, digits); }
    void end_line(std::ofstream& f)
    {
        out_ += '\n';
        f.write(out_.data(), static_cast<std::streamsize>(out_.size()));
        f.flush();
        out_.clear();
    }

private:
    std::string out_;
};

row_buffer row;

bool open_one(std::ofstream& f, const std::string& path)
{
    f.open(path, std::ios::out | std::ios::trunc);
    if (f.is_open()) return true;
    // Results that cannot be written must stop the run before any SNP is fitted.
    std::cout << "Error : Could not open " << path << std::endl;
    return false;
}

void id_fields(const snp& s)
{
    row.text(s.SNP_id);
    row.blank();
    row.text(s.chr_position);
    row.blank();
    row.text(s.allele);
    row.blank();
}

}  // namespace

bool data::open_outputs(const std::vector<char*>& header)
{
    std::vector<std::string> names(nind);
    for (int i = 0; i < nind; ++i) {
        std::vector<std::string> pieces = split(header[3 + 2 * i], '.');
        if (!pieces.empty()) names[i] = pieces[0];
    }
    std::string prefix(out_prefix);
    if (write_calls) {
        if (!open_one(calls_out, prefix + "_calls")) return false;
        row.text("SNP_id chr.position allele ");
        if (write_pert) row.text("pert_score ");
        for (const std::string& n : names) {
            row.text(n);
            row.blank();
        }
        row.end_line(calls_out);
    }
    if (write_probs) {
        if (!open_one(probs_out, prefix + "_probs")) return false;
        row.text("SNP_id chr.position allele ");
        if (write_pert) row.text("pert_score ");
        for (const std::string& n : names)
            for (const char* cls : {".AA ", ".AB ", ".BB ", ".NULL "}) {
                row.text(n);
                row.text(cls);
            }
        row.end_line(probs_out);
    }
    if (write_kmodel) {
        if (!open_one(kmodelmu_out, prefix + "_kmodelmu")) return false;
        row.text("SNP_id\tchr.position\tallele\tmu mu_1 mu_2 kmodel final_call_select pos1 pos2 "
                 "rangec1 rangecmid rangec2");
        row.end_line(kmodelmu_out);
    }
    if (write_contrast) {
        if (!open_one(contrastmu_out, prefix + "_contrastmu")) return false;
        row.text("SNP_id chr.position allele MU_AA\tMU_AB\tMU_BB\tn_AA\tn_AB\tn_BB");
        row.end_line(contrastmu_out);
    }
    return true;
}

void data::write_rows()
{
    if (write_calls) {
        id_fields(dat);
        if (write_pert) {
            row.real(pert_score[snp_index], 4);
            row.blank();
        }
        for (int i = 0; i < nind; ++i) {
            row.integer(final_calls[i]);
            row.blank();
        }
        row.end_line(calls_out);
    }
    if (write_probs) {
        id_fields(dat);
        if (write_pert) {
            row.real(pert_score[snp_index], 4);
            row.blank();
        }
        for (size_t j = 0; j < 4 * static_cast<size_t>(nind); ++j) {
            row.real(probs[j], 4);
            row.blank();
        }
        row.end_line(probs_out);
    }
    if (write_kmodel) {
        id_fields(dat);
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
        row.end_line(kmodelmu_out);
    }
    if (write_contrast) {
        id_fields(dat);
        for (const ColumnVector* m : {&MU_AA, &MU_AB, &MU_BB}) {
            row.real((*m)(1), 6);
            row.blank();
        }
        row.integer(n_AA);
        row.blank();
        row.integer(n_AB);
        row.blank();
        row.integer(n_BB);
        row.end_line(contrastmu_out);
    }
}

void data::close_outputs()
{
    for (std::ofstream* f : {&calls_out, &probs_out, &kmodelmu_out, &contrastmu_out})
        if (f->is_open()) f->close();
}
