/* probkit.c -- densities, distribution functions and random variates with
 * plain C interfaces. The module keeps no state: every draw comes
 * from virtual generator 1 of the RANLIB uniform stream (ranlib.h), and the
 * distribution functions are those of dcdflib.h.
 *
 * Also delivered on its own as the relocatable object probkit.o, whose only
 * outside references are cumnor, cumt, snorm, ranf, alngam, gengam and the
 * maths functions log, exp, lgamma, floor and sqrt. It is compiled with
 * -fno-builtin-sqrt -fno-builtin-floor so that dnorm's constant
 * sqrt(2 * 3.141592654) and the floor of rmultinom_unif_fast are calls of
 * the maths library (the same exact values as the inline expansions:
 * sqrt is correctly rounded, 2.5066282747946493).
 *
 * Evaluation orders are part of the contract (callers compare results bit
 * for bit): every expression keeps the brackets that fix its order. */
#include <math.h>

#include "dcdflib.h"
#include "probkit.h"
#include "ranlib.h"

double dnorm(double x, double* mean, double* sd)
{
    double m = *mean, s = *sd;
    double d = x - m;

    /* sqrt(2 pi) with pi taken as 3.141592654; no check of s. */
    return exp(((d * (-0.5)) * d) / (s * s)) / (sqrt(2 * 3.141592654) * s);
}

double pnorm(double x, double* mean, double* sd, int upper)
{
    double z = (x - *mean) / *sd;
    double lower, ccum;

    /* Fixed tails beyond |z| = 5; the two are not mirror images. NaN and
     * z = +-5 itself go to cumnor. */
    if (z > 5) {
        lower = 0.9999997;
        ccum = 1 - 0.9999997;
    } else if (z < -5) {
        lower = 2.86e-07;
        ccum = 0.999999714;
    } else {
        cumnor(&z, &lower, &ccum);
    }
    return upper ? ccum : lower;
}

double pt(double t, double df, int upper)
{
    double lower, ccum;

    if (df < 10 && t < -3000) {
        lower = 0;
        ccum = 1;
    } else if (df < 10 && t > 3000) {
        lower = 1;
        ccum = 0;
    } else if (df >= 10 && t < -150) {
        lower = 0;
        ccum = 1;
    } else if (df >= 10 && t > 150) {
        lower = 1;
        ccum = 0;
    } else {
        /* including df not a number */
        cumt(&t, &df, &lower, &ccum);
    }
    return upper ? ccum : lower;
}

double rnorm(double* mean, double* sd)
{
    double z = snorm();

    return z * *sd + *mean;
}

double runif(void)
{
    return ranf();
}

double rgamma(double shape, double rate)
{
    return gengam((float)rate, (float)shape);
}

void rdirichlet(double* out, double* alpha, int* k)
{
    double S = 0;
    int i;

    if (*k <= 0) return;
    for (i = 0; i < *k; i++) {
        out[i] = gengam(1.0f, (float)alpha[i]);
        S += out[i];
    }
    /* Smoothed towards the uniform vector: (g_i/S + 0.01)/(1 + 0.01 k). */
    for (i = 0; i < *k; i++) out[i] = (0.01 * S + out[i]) / ((0.01 * *k + 1) * S);
}

int rmultinom_unif_fast(int n)
{
    double u = ranf();
    int j = (int)floor(u * (double)(float)n) + 1;

    /* ranf can return exactly 1.0, which would give n + 1: outside 1..n. */
    return j > n ? n : j;
}

int rmultinom_unif(int n)
{
    double u = ranf();
    int j = 0;

    if (u <= 0) return n;
    /* ceil(u n) by repeated subtraction of 1/n; the rounding of the steps
     * decides the cases on a boundary. */
    do {
        u = u + (-1.0 / n);
        j++;
    } while (u > 0);
    return j;
}

void rmultinom(int* out, double* prob)
{
    double u = ranf();
    int j = 0;

    if (u <= 0) return;
    /* No bound on j: the probabilities must cover the draw. */
    do {
        u = u - prob[j];
        j++;
    } while (u > 0);
    *out = j;
}

double ddirichlet(double* x, double* alpha, int* k)
{
    double A = 0, T = 0;
    int i;

    for (i = 0; i < *k; i++) {
        A = A + alpha[i];
        T = ((alpha[i] - 1) * log(x[i]) - lgamma(alpha[i])) + T;
    }
    return lgamma(A) + T;
}

double dgamma(double a, double b, double c, int as_log)
{
    double v = ((b * log(c) + (c - 1) * a) - c * a) - lgamma(b);

    return as_log ? v : exp(v);
}

double lchoose(double n, double k)
{
    double n1 = n + 1, k1 = k + 1, nk1 = n - k + 1;

    return alngam(&n1) - (alngam(&k1) + alngam(&nk1));
}

float lchoosef(float n, float k)
{
    /* n + 1 in double; k + 1 and n - k in single precision, widened. */
    double n1 = (double)n + 1.0;
    double k1 = (double)(k + 1.0f);
    double nk1 = (double)(n - k) + 1.0;

    return (float)(alngam(&n1) - (alngam(&k1) + alngam(&nk1)));
}
