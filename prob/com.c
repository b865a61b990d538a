/* com.c -- state and bookkeeping of the RANLIB uniform generator.
 *
 * 32 virtual generators of L'Ecuyer's combined multiplicative congruential
 * generator, each split into blocks of 2^30 values (L'Ecuyer and Cote 1991).
 * Only generator 1 with its initial seeds is used by the system. */
#include <stdio.h>
#include <stdlib.h>

#include "ranlib.h"

#define NUMG 32L

long Xm1, Xm2, Xa1, Xa2, Xa1w, Xa2w, Xa1vw, Xa2vw;
long Xig1[32], Xig2[32], Xlg1[32], Xlg2[32], Xcg1[32], Xcg2[32];
long Xqanti[32];

void gsrgs(long getset, long* qvalue)
{
    static long qinit = 0;

    if (getset == 0)
        *qvalue = qinit;
    else
        qinit = *qvalue;
}

void gssst(long getset, long* qset)
{
    static long qstate = 0;

    if (getset != 0)
        qstate = 1;
    else
        *qset = qstate;
}

void gscgn(long getset, long* g)
{
    static long curntg = 1;

    if (getset == 0) {
        *g = curntg;
        return;
    }
    /* Compared unsigned, so negative numbers are rejected as well. */
    if ((unsigned long)*g > (unsigned long)NUMG) {
        fputs(" Generator number out of range in GSCGN", stderr);
        exit(0);
    }
    curntg = *g;
}

void inrgcm(void)
{
    long T1 = 1;
    long i;

    Xm1 = 2147483563L;
    Xm2 = 2147483399L;
    Xa1 = 40014L;
    Xa2 = 40692L;
    Xa1w = 1033780774L;
    Xa2w = 1494757890L;
    Xa1vw = 2082007225L;
    Xa2vw = 784306273L;
    for (i = 0; i < NUMG; i++) Xqanti[i] = 0;
    gsrgs(1L, &T1);
}

void initgn(long isdtyp)
{
    long g, qrgnin;

    gsrgs(0L, &qrgnin);
    if (!qrgnin) {
        fputs(" INITGN called before random number generator  initialized -- abort!\n", stderr);
        exit(1);
    }
    gscgn(0L, &g);
    if (isdtyp == -1) {
        Xlg1[g - 1] = Xig1[g - 1];
        Xlg2[g - 1] = Xig2[g - 1];
    } else if (isdtyp == 0) {
        /* back to the start of the current block */
    } else if (isdtyp == 1) {
        Xlg1[g - 1] = mltmod(Xa1w, Xlg1[g - 1], Xm1);
        Xlg2[g - 1] = mltmod(Xa2w, Xlg2[g - 1], Xm2);
    } else {
        fputs("isdtyp not in range in INITGN\n", stderr);
        exit(1);
    }
    Xcg1[g - 1] = Xlg1[g - 1];
    Xcg2[g - 1] = Xlg2[g - 1];
}

void setall(long iseed1, long iseed2)
{
    long T1 = 1;
    long g, ocgn, qrgnin;

    gssst(1, &T1);
    gscgn(0L, &ocgn);
    gsrgs(0L, &qrgnin);
    if (!qrgnin) inrgcm();
    Xig1[0] = iseed1;
    Xig2[0] = iseed2;
    initgn(-1L);
    for (g = 2; g <= NUMG; g++) {
        Xig1[g - 1] = mltmod(Xa1vw, Xig1[g - 2], Xm1);
        Xig2[g - 1] = mltmod(Xa2vw, Xig2[g - 2], Xm2);
        gscgn(1L, &g);
        initgn(-1L);
    }
    gscgn(1L, &ocgn);
}

void setsd(long iseed1, long iseed2)
{
    long g, qrgnin;

    gsrgs(0L, &qrgnin);
    if (!qrgnin) inrgcm();
    gscgn(0L, &g);
    Xig1[g - 1] = iseed1;
    Xig2[g - 1] = iseed2;
    initgn(-1L);
}

void getsd(long* iseed1, long* iseed2)
{
    long g;

    gscgn(0L, &g);
    *iseed1 = Xcg1[g - 1];
    *iseed2 = Xcg2[g - 1];
}

long ignlgi(void)
{
    long curntg, k, s1, s2, z, qqssd, qrgnin;

    /* Self-initialisation: constants first, then the default seeds. */
    gsrgs(0L, &qrgnin);
    if (!qrgnin) inrgcm();
    gssst(0, &qqssd);
    if (!qqssd) setall(1234567890L, 123456789L);

    gscgn(0L, &curntg);
    /* Schrage's decompositions: 2147483563 = 40014*53668 + 12211 and
     * 2147483399 = 40692*52774 + 3791, so no product exceeds 2^31. */
    s1 = Xcg1[curntg - 1];
    s2 = Xcg2[curntg - 1];
    k = s1 / 53668L;
    s1 = Xa1 * (s1 - k * 53668L) - k * 12211L;
    if (s1 < 0) s1 += Xm1;
    k = s2 / 52774L;
    s2 = Xa2 * (s2 - k * 52774L) - k * 3791L;
    if (s2 < 0) s2 += Xm2;
    Xcg1[curntg - 1] = s1;
    Xcg2[curntg - 1] = s2;
    z = s1 - s2;
    if (z < 1) z += (Xm1 - 1);
    if (Xqanti[curntg - 1]) z = Xm1 - z;
    return z;
}

long mltmod(long a, long s, long m)
{
    if (a <= 0 || a >= m || s <= 0 || s >= m) {
        fputs(" a, m, s out of order in mltmod - ABORT!", stderr);
        fprintf(stderr, " a = %12ld s = %12ld m = %12ld\n", a, s, m);
        fputs(" mltmod requires: 0 < a < m; 0 < s < m", stderr);
        exit(1);
    }
    /* The published routine splits a at 2^15 and accumulates Schrage steps to
     * stay within 32 bits; with 64-bit longs the product a*s < 2^62 is exact,
     * which gives the same (exact) result. */
    return (a * s) % m;
}
