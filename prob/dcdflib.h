/* dcdflib.h -- distribution functions in the manner of DCDFLIB 1.1: the normal
 * distribution function (Cody's rational approximations), the Student t
 * distribution function through the incomplete beta ratio (ACM TOMS
 * Algorithm 708, Didonato and Morris), machine constants, and the helpers of
 * Algorithm 708, exported under their published names.
 *
 * Arguments by pointer, results through out-parameters; double precision.
 * The routines keep scratch values in static storage in the published code;
 * these do not, but the library is still meant for single-threaded use. */
#ifndef TAMSEL_DCDFLIB_H
#define TAMSEL_DCDFLIB_H

#ifdef __cplusplus
extern "C" {
#endif

/* P(Z <= *arg) into *result, P(Z > *arg) into *ccum; values below
 * spmpar(2) are returned as 0. */
void cumnor(double* arg, double* result, double* ccum);
/* Student t with *df degrees of freedom: lower and upper tails at *t. */
void cumt(double* t, double* df, double* cum, double* ccum);
/* I_x(a, b) and 1 - I_x(a, b) with y = 1 - x passed separately. */
void cumbet(double* x, double* y, double* a, double* b, double* cum, double* ccum);
/* I_x(a, b) into *w, 1 - I_x(a, b) into *w1, status into *ierr:
 * 0 ok, 1 a or b negative, 2 a = b = 0, 3 x outside [0,1], 4 y outside [0,1],
 * 5 |x + y - 1| > 3 eps, 6 x = a = 0, 7 y = b = 0 (w = w1 = 0 then). */
void bratio(double* a, double* b, double* x, double* y, double* w, double* w1, int* ierr);

double spmpar(int* i);  /* 1: eps 2^-52, 2: smallest normal, 3: largest double */
int ipmpar(int* i);     /* integer machine constants 1..10 (IEEE) */
double exparg(int* l);  /* 0: largest safe exp argument; else most negative */
double fifdint(double a);   /* truncation towards zero through a 32-bit int */
long fifidint(double a);    /* truncation towards zero to a long */
double fifdmin1(double a, double b);
double fifdmax1(double a, double b);
double fifdsign(double mag, double sign);
double alngam(double* x);   /* ln Gamma(x), x > 0 (Hart et al.) */
double devlpl(double a[], int* n, double* x);

/* Helpers of Algorithm 708. */
double algdiv(double* a, double* b);
double alnrel(double* a);
double apser(double* a, double* b, double* x, double* eps);
double basym(double* a, double* b, double* lambda, double* eps);
double bcorr(double* a0, double* b0);
double betaln(double* a0, double* b0);
double bfrac(double* a, double* b, double* x, double* y, double* lambda, double* eps);
void bgrat(double* a, double* b, double* x, double* y, double* w, double* eps, int* ierr);
double bpser(double* a, double* b, double* x, double* eps);
double brcmp1(int* mu, double* a, double* b, double* x, double* y);
double brcomp(double* a, double* b, double* x, double* y);
double bup(double* a, double* b, double* x, double* y, int* n, double* eps);
double erf1(double* x);
double erfc1(int* ind, double* x);
double esum(int* mu, double* x);
double fpser(double* a, double* b, double* x, double* eps);
double gam1(double* a);
double gamln(double* a);
double gamln1(double* a);
void grat1(double* a, double* x, double* r, double* p, double* q, double* eps);
double gsumln(double* a, double* b);
double psi(double* xx);
double rexp(double* x);
double rlog1(double* x);

#ifdef __cplusplus
}
#endif

#endif
