/* ipmpar.c -- integer machine constants of DCDFLIB for IEEE arithmetic (the
 * "IBM PC" block). Delivered on its own as the relocatable object ipmpar.o,
 * so it depends on nothing. */
#include "dcdflib.h"

int ipmpar(int* i)
{
    /* Filled on every call; entry 0 is unused. Indices outside 1..10 are
     * the caller's error. */
    static int imach[11];

    imach[1] = 2;          /* integer base */
    imach[2] = 31;         /* integer digits */
    imach[3] = 2147483647; /* largest int */
    imach[4] = 2;          /* floating base */
    imach[5] = 24;         /* single-precision digits */
    imach[6] = -125;       /* single-precision smallest exponent */
    imach[7] = 128;        /* single-precision largest exponent */
    imach[8] = 53;         /* double-precision digits */
    imach[9] = -1021;      /* double-precision smallest exponent */
    imach[10] = 1024;      /* double-precision largest exponent */
    return imach[*i];
}
