// split.cpp -- the A, B values of a split row and the current row filled from them.
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "data.h"

// Plain decimals such as "0.193" or "-12.5" with at most 15 digits: the digits
// form an exact integer and the power of ten is exact, so one division rounds
// exactly as atof does. Anything else is left to atof.
static bool plain_decimal(const char* p, double& v)
{
    static const double pow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    long long m = 0;
    int digits = 0, decimals = 0;
    bool point = false;
    for (;; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (++digits > 15) return false;
            m = m * 10 + (*p - '0');
            decimals += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (*p != '\0' || digits == 0) return false;
    v = static_cast<double>(m) / pow10[decimals];
    if (negative) v = -v;
    return true;
}

// "NaN" is the input's missing-value text; anything else converts as atof does,
// so an infinite or unparsable value is left for the transform to judge.
double intensity(const char* field)
{
    if (std::strcmp(field, "NaN") == 0) return MISSING_INTENSITY;
    double v;
    if (plain_decimal(field, v)) return v;
    return std::atof(field);
}

size_t read_pairs(const std::vector<char*>& fields, std::vector<double>& ab)
{
    ab.clear();
    for (size_t k = 3; k < fields.size(); k += 2) {
        if (k + 1 < fields.size()) {
            ab.push_back(intensity(fields[k]));
            ab.push_back(intensity(fields[k + 1]));
        } else {
            // Trailing blanks leave an empty last field: not an individual.
            if (fields[k][0] == '\0') break;
            // An A value without its B: the individual is missing, not misread.
            ab.push_back(intensity(fields[k]));
            ab.push_back(MISSING_INTENSITY);
        }
    }
    return ab.size() / 2;
}

void data::fill_pairs(const std::vector<double>& ab)
{
    // Pairs are overwritten in place: the row is refilled for every SNP.
    const size_t n = ab.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        if (i < dat.vec.size() && dat.vec[i].Nrows() == 2) {
            // Written into the pair's own storage: assigning a vector would reallocate it.
            dat.vec[i](1) = ab[2 * i];
            dat.vec[i](2) = ab[2 * i + 1];
            continue;
        }
        pair(1) = ab[2 * i];
        pair(2) = ab[2 * i + 1];
        if (i < dat.vec.size())
            dat.vec[i] = pair;
        else
            dat.vec.push_back(pair);
    }
    dat.vec.erase(dat.vec.begin() + n, dat.vec.end());
}

void data::fill_row(const std::vector<char*>& fields)
{
    dat.SNP_id = fields.size() > 0 ? fields[0] : "";
    dat.chr_position = fields.size() > 1 ? fields[1] : "";
    dat.allele = fields.size() > 2 ? fields[2] : "";
    std::vector<double> ab;
    read_pairs(fields, ab);
    if (pair.Nrows() != 2) pair.ReSize(2);
    fill_pairs(ab);
}
