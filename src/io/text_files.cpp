// text_files.cpp -- names, header lines and rows of the four result files.
#include "text_files.h"

static const char* const suffix[N_TEXT_FILES] = {"_calls", "_probs", "_kmodelmu", "_contrastmu"};

text_files::text_files(const std::string& prefix, const bool enabled[N_TEXT_FILES], shared_compression z)
    : prefix_(prefix), z_(std::move(z))
{
    for (int k = 0; k < N_TEXT_FILES; ++k) enabled_[k] = enabled[k];
}

void text_files::claim()
{
    for (int k = 0; k < N_TEXT_FILES; ++k)
        if (enabled_[k]) file_[k].claim(prefix_ + suffix[k] + (z_ ? ".gz" : ""), z_);
}

std::vector<const out_file*> text_files::files() const
{
    std::vector<const out_file*> v;
    for (int k = 0; k < N_TEXT_FILES; ++k)
        if (enabled_[k]) v.push_back(&file_[k]);
    return v;
}

std::string text_header(text_file which, const std::vector<std::string>& samples, bool pert)
{
    std::string h;
    switch (which) {
    case CALLS_FILE:
        h = "SNP_id chr.position allele ";
        if (pert) h += "pert_score ";
        for (const std::string& n : samples) h += n + ' ';
        break;
    case PROBS_FILE:
        h = "SNP_id chr.position allele ";
        if (pert) h += "pert_score ";
        for (const std::string& n : samples)
            for (const char* cls : {".AA ", ".AB ", ".BB ", ".NULL "}) h += n + cls;
        break;
    case KMODEL_FILE:
        h = "SNP_id\tchr.position\tallele\tmu mu_1 mu_2 kmodel final_call_select pos1 pos2 "
            "rangec1 rangecmid rangec2";
        break;
    default:
        h = "SNP_id chr.position allele MU_AA\tMU_AB\tMU_BB\tn_AA\tn_AB\tn_BB";
        break;
    }
    return h + '\n';
}

void text_files::begin(const run_info& run)
{
    for (int k = 0; k < N_TEXT_FILES; ++k)
        if (enabled_[k]) {
            file_[k].start();
            file_[k].write(text_header(static_cast<text_file>(k), run.samples, run.pert));
            file_[k].flush();
        }
}

void text_files::write(const snp_result& r)
{
    for (int k = 0; k < N_TEXT_FILES; ++k)
        if (enabled_[k]) {
            file_[k].write(r.rows[k]);
            file_[k].flush();
        }
}

void text_files::finish()
{
    for (int k = 0; k < N_TEXT_FILES; ++k)
        if (enabled_[k]) file_[k].close();
}
