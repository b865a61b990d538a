// inbred.cpp -- the Hardy-Weinberg statistic with per-individual inbreeding.
#include "inbred.h"

double inbred_hwe_statistic(int n_aa, int n_ab, int n_bb, double p, const std::vector<double>& f)
{
    const double q = 1 - p;
    double E[3] = {0, 0, 0};
    for (double F : f) {
        double w[3];
        inbred_weights(p, q, F, w);
        for (int g = 0; g < 3; ++g) E[g] += w[g];
    }
    const double n[3] = {static_cast<double>(n_aa), static_cast<double>(n_ab), static_cast<double>(n_bb)};
    double X = 0;
    for (int g = 0; g < 3; ++g)
        if (E[g] > 0) X += ((n[g] - E[g]) * (n[g] - E[g])) / E[g];
    return X;
}
