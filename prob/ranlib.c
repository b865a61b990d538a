/* ranlib.c -- variates on top of the uniform generator of com.c: ranf,
 * snorm (Ahrens-Dieter 1973, algorithm FL, M = 5), sexpo (algorithm SA) and
 * sgamma/gengam (algorithms GD for a >= 1 and GS for a < 1), in the later,
 * corrected RANLIB edition (1997). Single precision throughout: float
 * variables, with the double literals of the published code where they
 * decide how an expression is evaluated. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "ranlib.h"

float ranf(void)
{
    /* 4.656613057e-10 ~ 1/Xm1; the product is formed in double and rounded
     * once to float, so the largest values of ignlgi give exactly 1.0. */
    return (float)(ignlgi() * 4.656613057E-10);
}

/* Tables of algorithm FL (RANLIB), stored as floats; 0-based here, so
 * fl_a[k-1] is the published a[k]. */
static const float fl_a[32] = {
    0.0, 3.917609E-2, 7.841241E-2, 0.11777, 0.1573107, 0.1970991, 0.2372021, 0.2776904,
    0.3186394, 0.36013, 0.4022501, 0.4450965, 0.4887764, 0.5334097, 0.5791322, 0.626099,
    0.6744898, 0.7245144, 0.7764218, 0.8305109, 0.8871466, 0.9467818, 1.00999, 1.077516,
    1.150349, 1.229859, 1.318011, 1.417797, 1.534121, 1.67594, 1.862732, 2.153875};
static const float fl_d[31] = {
    0.0, 0.0, 0.0, 0.0, 0.0, 0.2636843, 0.2425085, 0.2255674,
    0.2116342, 0.1999243, 0.1899108, 0.1812252, 0.1736014, 0.1668419, 0.1607967, 0.1553497,
    0.1504094, 0.1459026, 0.14177, 0.1379632, 0.1344418, 0.1311722, 0.128126, 0.1252791,
    0.1226109, 0.1201036, 0.1177417, 0.1155119, 0.1134023, 0.1114027, 0.1095039};
static const float fl_t[31] = {
    7.673828E-4, 2.30687E-3, 3.860618E-3, 5.438454E-3, 7.0507E-3, 8.708396E-3, 1.042357E-2,
    1.220953E-2, 1.408125E-2, 1.605579E-2, 1.81529E-2, 2.039573E-2, 2.281177E-2, 2.543407E-2,
    2.830296E-2, 3.146822E-2, 3.499233E-2, 3.895483E-2, 4.345878E-2, 4.864035E-2, 5.468334E-2,
    6.184222E-2, 7.047983E-2, 8.113195E-2, 9.462444E-2, 0.1123001, 0.136498, 0.1716886,
    0.2276241, 0.330498, 0.5847031};
static const float fl_h[31] = {
    3.920617E-2, 3.932705E-2, 3.951E-2, 3.975703E-2, 4.007093E-2, 4.045533E-2, 4.091481E-2,
    4.145507E-2, 4.208311E-2, 4.280748E-2, 4.363863E-2, 4.458932E-2, 4.567523E-2, 4.691571E-2,
    4.833487E-2, 4.996298E-2, 5.183859E-2, 5.401138E-2, 5.654656E-2, 5.95313E-2, 6.308489E-2,
    6.737503E-2, 7.264544E-2, 7.926471E-2, 8.781922E-2, 9.930398E-2, 0.11556, 0.1404344,
    0.1836142, 0.2790016, 0.7010474};

float snorm(void)
{
    float u, s, ustar, aa, w, y, tt;
    long i;

    /* Step 1: sign from the first half of u, then 32 equal-probability
     * intervals of |Z|; a uniform of exactly 1.0 falls into interval 31. */
    u = ranf();
    s = 0.0f;
    if (u > 0.5) s = 1.0f;
    u += (u - s);
    u = 32.0 * u;
    i = (long)u;
    if (i == 32) i = 31;

    if (i != 0) {
        /* Centre, interval i (steps 2 to 5). */
        ustar = u - (float)i;
        aa = fl_a[i - 1];
        for (;;) {
            if (ustar > fl_t[i - 1]) {
                w = (ustar - fl_t[i - 1]) * fl_h[i - 1];
                break;
            }
            u = ranf();
            w = u * (fl_a[i] - aa);
            tt = (0.5 * w + aa) * w; /* in double, rounded to float */
            while (!(ustar > tt)) {
                u = ranf();
                if (ustar < u) break;
                tt = u;
                ustar = ranf();
            }
            if (ustar > tt) break;
            ustar = ranf(); /* rejected: new u* and back to step 3 */
        }
    } else {
        /* Tail beyond a[32] (steps 6 to 8). */
        i = 6;
        aa = fl_a[31];
        u += u;
        while (u < 1.0) {
            aa += fl_d[i - 1];
            i += 1;
            u += u;
        }
        u -= 1.0;
        for (;;) {
            w = u * fl_d[i - 1];
            tt = (0.5 * w + aa) * w;
            for (;;) {
                ustar = ranf();
                if (ustar > tt) break;
                u = ranf();
                if (ustar < u) break;
                tt = u;
            }
            if (ustar > tt) break;
            u = ranf(); /* rejected: new u and back to step 7 */
        }
    }
    /* Step 9: exit. */
    y = aa + w;
    return (s == 1.0f) ? -y : y;
}

/* q[k] = sum_{j=1..k} (ln 2)^j / j!, corrected edition (q[8] = .9999999). */
static const float sa_q[8] = {0.6931472, 0.9333737, 0.9888778, 0.9984959,
                              0.9998293, 0.9999833, 0.9999986, .9999999};

float sexpo(void)
{
    float a, u, ustar, umin;
    long i;

    a = 0.0f;
    u = ranf();
    u += u;
    while (u < 1.0) {
        a += sa_q[0];
        u += u;
    }
    u -= 1.0;
    if (u <= sa_q[0]) return a + u;
    i = 1;
    ustar = ranf();
    umin = ustar;
    do {
        ustar = ranf();
        if (ustar < umin) umin = ustar;
        i += 1;
        /* The published loop has no bound; with q[8] < 1 a u above q[8]
         * (u = 1.0 after a uniform of 1.0) would read past the table, so it
         * stops after q[8]. */
    } while (i < 8 && u > sa_q[i - 1]);
    return a + umin * sa_q[0];
}

static float fsign(float num, float sign)
{
    if ((sign > 0.0f && num < 0.0f) || (sign < 0.0f && num > 0.0f)) return -num;
    return num;
}

float sgamma(float a)
{
    static const float q1 = 4.166669E-2, q2 = 2.083148E-2, q3 = 8.01191E-3, q4 = 1.44121E-3,
                       q5 = -7.388E-5, q6 = 2.4511E-4, q7 = 2.424E-4;
    static const float a1 = 0.3333333, a2 = -0.250003, a3 = 0.2000062, a4 = -0.1662921,
                       a5 = 0.1423657, a6 = -0.1367177, a7 = 0.1233795;
    static const float e1 = 1.0, e2 = 0.4999897, e3 = 0.166829, e4 = 4.07753E-2, e5 = 1.0293E-2;
    static const float sqrt32 = 5.656854;
    /* Constants cached for the previous shape (steps 1 and 4). */
    static float aa = 0.0, aaa = 0.0;
    static float s2, s, d, q0, b, si, c;
    float t, x, u, r, v, q, e, w, p, b0, result;

    if (a < 1.0) {
        /* GS for a < 1 (b0 = 1 + exp(-1) a; the corrected edition keeps it
         * apart from the GD constant b). */
        b0 = 1.0 + 0.3678794 * a;
        for (;;) {
            p = b0 * ranf();
            if (p < 1.0) {
                /* x = p^(1/a), accepted with probability exp(-x) */
                result = exp(log(p) / a);
                if (sexpo() < result) continue;
                return result;
            }
            /* x = -ln((b - p)/a), accepted with probability x^(a-1) */
            result = -log((b0 - p) / a);
            if (sexpo() < (1.0 - a) * log(result)) continue;
            return result;
        }
    }

    /* GD for a >= 1. Step 1: s2, s, d when a has changed. */
    if (a != aa) {
        aa = a;
        s2 = a - 0.5;
        s = sqrt(s2);
        d = sqrt32 - 12.0 * s;
    }
    /* Step 2: t normal, x = s + t/2; immediate acceptance for t >= 0. */
    t = snorm();
    x = s + 0.5 * t;
    result = x * x;
    if (t >= 0.0) return result;
    /* Step 3: squeeze acceptance. */
    u = ranf();
    if (d * u <= t * t * t) return result;
    /* Step 4: q0, b, si, c when a has changed. */
    if (a != aaa) {
        aaa = a;
        r = 1.0 / a;
        q0 = ((((((q7 * r + q6) * r + q5) * r + q4) * r + q3) * r + q2) * r + q1) * r;
        if (a <= 3.686) {
            b = 0.463 + s + 0.178 * s2;
            si = 1.235;
            c = 0.195 / s - 7.9E-2 + 1.6E-1 * s;
        } else if (a <= 13.022) {
            b = 1.654 + 7.6E-3 * s2;
            si = 1.68 / s + 0.275;
            c = 6.2E-2 / s + 2.4E-2;
        } else {
            b = 1.77;
            si = 0.75;
            c = 0.1515 / s;
        }
    }
    /* Steps 5 to 7: quotient acceptance when x > 0. */
    if (x > 0.0) {
        v = t / (s + s);
        if (fabs(v) <= 0.25)
            q = q0 + 0.5 * t * t * ((((((a7 * v + a6) * v + a5) * v + a4) * v + a3) * v + a2) * v + a1) * v;
        else
            q = q0 - s * t + 0.25 * t * t + (s2 + s2) * log(1.0 + v);
        if (log(1.0 - u) <= q) return result;
    }
    for (;;) {
        /* Step 8: double exponential (Laplace) sample t. */
        e = sexpo();
        u = ranf();
        u += (u - 1.0);
        t = b + fsign(si * e, u);
        /* Step 9: reject t < tau(1). */
        if (t < -0.7187449) continue;
        /* Step 10: quotient q. */
        v = t / (s + s);
        if (fabs(v) <= 0.25)
            q = q0 + 0.5 * t * t * ((((((a7 * v + a6) * v + a5) * v + a4) * v + a3) * v + a2) * v + a1) * v;
        else
            q = q0 - s * t + 0.25 * t * t + (s2 + s2) * log(1.0 + v);
        /* Step 11: hat acceptance. */
        if (q <= 0.0) continue;
        if (q <= 0.5) {
            w = ((((e5 * q + e4) * q + e3) * q + e2) * q + e1) * q;
        } else if (q < 15.0) {
            w = exp(q) - 1.0;
        } else {
            /* Large q (corrected edition): avoid overflowing exp(q). */
            if ((q + e - 0.5 * t * t) > 87.49823) break;
            if (c * fabs(u) > exp(q + e - 0.5 * t * t)) continue;
            break;
        }
        if (c * fabs(u) > w * exp(e - 0.5 * t * t)) continue;
        break;
    }
    x = s + 0.5 * t;
    return x * x;
}

float gengam(float a, float r)
{
    if (a <= 0.0 || r <= 0.0) {
        fputs(" In GENGAM - Either (1) Location param A <= 0.0 or\n", stderr);
        fprintf(stderr, " (2) Shape param R <= 0.0 - ABORT!\n");
        fprintf(stderr, " A value: %16.6E R value: %16.6E\n", a, r);
        exit(1);
    }
    return sgamma(r) / a;
}
