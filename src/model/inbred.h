// inbred.h -- genotype weights and the Hardy-Weinberg statistic of a panel
// whose individuals carry an inbreeding coefficient F.
#ifndef TAMSEL_INBRED_H
#define TAMSEL_INBRED_H

#include <vector>

// The AA, AB, BB weights of an individual with inbreeding coefficient F at
// allele frequencies p (A) and q (B): (p^2 + Fpq, 2pq(1 - F), q^2 + Fpq).
inline void inbred_weights(double p, double q, double F, double w[3])
{
    const double pq = p * q;
    w[0] = p * p + F * pq;
    w[1] = (2 * pq) * (1 - F);
    w[2] = q * q + F * pq;
}

// The statistic sum (n_g - E_g)^2 / E_g over the genotypes with E_g > 0, where
// E_g sums each individual's weight (f holds one F per individual).
double inbred_hwe_statistic(int n_aa, int n_ab, int n_bb, double p, const std::vector<double>& f);

#endif
