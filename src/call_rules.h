// call_rules.h -- how a vector of four probabilities (AA, AB, BB, NULL) becomes a call.
#ifndef TAMSEL_CALL_RULES_H
#define TAMSEL_CALL_RULES_H

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

#endif
