// fit.h -- the two decisions of the fit driver, as plain functions.
#ifndef TAMSEL_FIT_H
#define TAMSEL_FIT_H

#include <vector>

// Marks a score or p-value of a run in which nobody is called: the smallest 32-bit int.
constexpr double NO_CALL_SENTINEL = -2147483648.0;

// pos1: the highest index among the best first scores (0 when none compares
// equal, as with a NaN); pos2: the lowest index other than pos1 among the best
// second scores, never a NaN.
void pick_starts(const double s1[8], const double s2[8], int& pos1, int& pos2);

// Hardy-Weinberg p-value (chi-squared, 2 degrees of freedom) of the calls of
// nind individuals; the expected counts use all nind, called or not. The
// sentinel when nobody is called.
double hwe_pvalue(const std::vector<int>& calls, int nind, const std::vector<double>& f = {});

// Which run's calls to keep, 1 or 2, from the p-values and log-likelihoods.
int pick_run(double pv_1, double pv_2, double loglik_1, double loglik_2);

#endif
