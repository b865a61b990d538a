/* ranlib.h -- uniform generator (L'Ecuyer 1988 with L'Ecuyer-Cote splitting,
 * 32 virtual generators), standard normal (Ahrens-Dieter FL), standard
 * exponential (SA) and gamma (GD/GS) variates, in the manner of RANLIB.
 *
 * Process-wide, unlocked state: single-threaded use only. The generator seeds
 * itself with setall(1234567890, 123456789) on its first draw. Misuse (see
 * mltmod, gscgn, initgn) prints to stderr and ends the process. */
#ifndef TAMSEL_RANLIB_H
#define TAMSEL_RANLIB_H

#ifdef __cplusplus
extern "C" {
#endif

/* Generator state shared by the routines (all 64-bit signed). */
extern long Xm1, Xm2, Xa1, Xa2, Xa1w, Xa2w, Xa1vw, Xa2vw;
extern long Xig1[32], Xig2[32], Xlg1[32], Xlg2[32], Xcg1[32], Xcg2[32];
extern long Xqanti[32];

long ignlgi(void);              /* next integer 1..Xm1-1 of the current generator */
float ranf(void);               /* uniform in (0, 1]; can be exactly 1.0 */
float snorm(void);              /* standard normal deviate (single precision) */
float sexpo(void);              /* standard exponential deviate */
float sgamma(float a);          /* standard gamma deviate of shape a > 0 */
float gengam(float a, float r); /* gamma deviate, rate a > 0, shape r > 0: sgamma(r)/a */

void setall(long iseed1, long iseed2); /* seeds all 32 generators */
void setsd(long iseed1, long iseed2);  /* initial seeds of the current generator */
void getsd(long* iseed1, long* iseed2);/* current seeds of the current generator */
void initgn(long isdtyp);       /* -1: initial seeds, 0: block start, 1: next block */
void inrgcm(void);              /* sets the constants */
long mltmod(long a, long s, long m); /* (a*s) mod m, 0 < a < m, 0 < s < m */
void gscgn(long getset, long* g);    /* 0: get current generator, 1: set it */
void gsrgs(long getset, long* qvalue); /* get/set the constants-ready flag */
void gssst(long getset, long* qset);   /* get (0) / set to true (1) the seeds-set flag */

#ifdef __cplusplus
}
#endif

#endif
