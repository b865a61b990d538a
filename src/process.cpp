// process.cpp -- the run: set-up, the loop over SNP rows, the summary.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>

#include "data.h"
#include "line_reader.h"

static void could_not_open(const char* path)
{
    std::cout << "Error : Could not open " << path << std::endl;
}

static bool blank(const char* s)
{
    for (; *s; ++s)
        if (!std::isspace(static_cast<unsigned char>(*s))) return false;
    return true;
}

// Reading stops at a short row; say so when that drops data, so a truncated or
// damaged file is noticed rather than silently cut short.
static void warn_short_row(line_reader& in, size_t nfields, int nind, bool row_blank)
{
    long line = in.line_no();
    bool more = false;
    while (!more && in.next()) more = !blank(in.line());
    if (row_blank && !more) return;
    std::cerr << "Warning : line " << line << " has " << nfields << " fields, fewer than the " << nind
              << " individuals; reading stopped there"
              << (more ? " although more lines follow" : "") << std::endl;
}

// One code per line; reading ends at an empty line or one starting with a control character.
static bool read_gender(const char* path, std::vector<int>& gender)
{
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    line_reader in(f, 4096);
    while (!in.at_end()) {
        if (!in.next()) break;
        if (static_cast<signed char>(in.line()[0]) <= 13) break;
        gender.push_back(std::atoi(in.line()));
    }
    std::fclose(f);
    return true;
}

void data::size_model()
{
    strength.assign(nind, 0.0);
    contrast.assign(nind, 0.0);
    abs_contrast.assign(nind, 0.0);
    kprop.assign(3, 0.0);
    kclass.assign(nind, 0);
    calls.assign(nind, 0);
    old_calls.assign(nind, 0);
    record_probs = true;
    probs.assign(4 * static_cast<size_t>(nind), 0.0);
    rangec.assign(8, std::vector<double>(3, 0.0));
    ranges.assign(8, std::vector<double>(3, 0.0));
    geno_freq.assign(3, 0.0);
    for (ColumnVector* m : {&MU_AA, &MU_AB, &MU_BB, &MU_NULL}) {
        m->ReSize(2);
        *m = 0.0;
    }
    for (SymmetricMatrix* s : {&SIGMA_AA, &SIGMA_AB, &SIGMA_BB, &SIGMA_NULL}) {
        s->ReSize(2);
        *s = 0.0;
    }
    uni_mean[3] = 0;
    uni_sd[3] = 100000;
    pert_mean = 0;
    pert_sd = 0.05;
}

int data::process(char* input, char* gender_path, int first, int last)
{
    pair.ReSize(2);
    first_snp = first > 1 ? first : 1;
    last_snp = last > -1 ? last : -1;
    if (last_snp > 0 && last_snp < first_snp) last_snp = first_snp;

    if (gender_path && !read_gender(gender_path, gender)) {
        could_not_open(gender_path);
        return 1;
    }
    FILE* in_file = std::fopen(input, "r");
    if (!in_file) {
        could_not_open(input);
        return 1;
    }
    line_reader in(in_file);
    std::vector<char*> fields;
    if (!in.next()) {
        std::cout << "Error : " << input << " is empty: no header line" << std::endl;
        std::fclose(in_file);
        return 1;
    }
    split_chars(in.line(), fields);
    if (fields.size() < 3) {
        std::cout << "Error : the header of " << input << " has " << fields.size()
                  << " fields; it needs SNP, position and allele columns, then A and B per individual" << std::endl;
        std::fclose(in_file);
        return 1;
    }
    nind = static_cast<int>((fields.size() - 3) / 2);
    std::cout << nind << " individuals" << std::endl;
    snp_index = 0;
    // The model reads one gender code per individual: too few would be read past the end.
    if (chromosome != chrom::none && gender.size() < static_cast<size_t>(nind)) {
        std::cout << "Error : the gender file " << gender_path << " has " << gender.size()
                  << " codes but " << input << " has " << nind << " individuals" << std::endl;
        std::fclose(in_file);
        return 1;
    }
    if (!open_outputs(fields)) {
        std::fclose(in_file);
        return 1;
    }
    size_model();

    int rows = 0;
    while (!in.at_end() && (last_snp == -1 || rows < last_snp)) {
        if (!in.next()) break;
        bool row_blank = blank(in.line());
        split_chars(in.line(), fields);
        if (fields.size() < static_cast<size_t>(nind)) {
            warn_short_row(in, fields.size(), nind, row_blank);
            break;
        }
        ++rows;
        if (rows < first_snp) continue;
        fill_row(fields);
        if (dat.vec.size() != static_cast<size_t>(nind))
            std::cout << "snp " << snp_index + 1 << " dat.vec.size()=" << dat.vec.size();
        morvane();
        ++snp_index;
    }
    std::fclose(in_file);
    close_outputs();
    if (last_snp == -1) last_snp = rows;
    std::cout << "Total " << rows << " SNPs in file, " << first_snp << " - " << last_snp << " processed."
              << std::endl;
    return 0;
}

void data::morvane()
{
    if (write_pert) {
        pert_calls.resize(nind, 0);
        if (pert_score.size() <= static_cast<size_t>(snp_index)) pert_score.resize(snp_index + 1, 0.0);
    }
    if ((snp_index + 1) % 10 == 0) std::cout << "SNP " << snp_index + 1 << " " << std::endl;
    transform_intens();
    kmodel();
    morv();
    write_rows();
}
