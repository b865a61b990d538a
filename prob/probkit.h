/* probkit.h -- densities, distribution functions and random variates.
 *
 * Plain C interface with unmangled names, usable from C and C++. Distribution
 * parameters are passed by pointer, the evaluation point by value; tail
 * selectors are ints (0 = lower tail, otherwise upper tail). Random draws come
 * from the one process-wide uniform stream, which seeds itself on first use. */
#ifndef TAMSEL_PROBKIT_H
#define TAMSEL_PROBKIT_H

#ifdef __cplusplus
extern "C" {
#endif

double dnorm(double x, double* mean, double* sd);
double pnorm(double x, double* mean, double* sd, int upper);
double pt(double t, double df, int upper);
double rnorm(double* mean, double* sd);
double runif(void);
double rgamma(double shape, double rate);
void rdirichlet(double* out, double* alpha, int* k);
int rmultinom_unif_fast(int n);
int rmultinom_unif(int n);
void rmultinom(int* out, double* prob);
double ddirichlet(double* x, double* alpha, int* k);
double dgamma(double a, double b, double c, int as_log);
double lchoose(double n, double k);
float lchoosef(float n, float k);

#ifdef __cplusplus
}
#endif

#endif
