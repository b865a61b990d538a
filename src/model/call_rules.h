// call_rules.h -- how a vector of four probabilities (AA, AB, BB, NULL) becomes a call.
#ifndef TAMSEL_CALL_RULES_H
#define TAMSEL_CALL_RULES_H

#include "data.h"

// Posterior step: the first of equal largest entries wins (ties go to the
// lower code); the call is made only when that entry exceeds the threshold.
inline int posterior_call(const double P[4], double threshold)
{
    int best = 0;
    for (int j = 1; j < 4; ++j)
        if (P[j] > P[best]) best = j;
    return P[best] > threshold ? best + 1 : 4;
}

// Initial calls: the last of equal largest entries wins (ties go to the higher
// code, so a tie with NULL is no call).
inline int initial_call(const double P[4], double threshold)
{
    double top = P[0];
    for (int j = 1; j < 4; ++j)
        if (P[j] > top) top = P[j];
    int call = 4;
    for (int j = 0; j < 4; ++j)
        if (P[j] == top && P[j] > threshold) call = j + 1;
    return call;
}

// How many copies of the SNP an individual carries, from the chromosome option
// and its gender code: only codes 0 and 1 on X, Y or MT change the model.
enum copy_case { TWO_COPIES, ONE_COPY, NO_COPY };

inline copy_case copies(chrom chromosome, int gender)
{
    if ((chromosome == chrom::Y && gender == 0) || (chromosome == chrom::MT && gender == 1)) return NO_COPY;
    if ((chromosome == chrom::X && gender == 1) || (chromosome == chrom::Y && gender == 1) ||
        (chromosome == chrom::MT && gender == 0))
        return ONE_COPY;
    return TWO_COPIES;
}

#endif
