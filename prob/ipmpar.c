/* ipmpar.c -- integer machine constants of DCDFLIB for IEEE arithmetic (the
 * "IBM PC" block). Delivered on its own as the relocatable object ipmpar.o,
 * so it depends on nothing. */
#include "dcdflib.h"

int ipmpar(int* i)
{
    /* Constant, so that threads may call it at once; entry 0 is unused.
     * Indices outside 1..10 are the caller's error. */
    static const int imach[11] = {
        0,
        2,          /* integer base */
        31,         /* integer digits */
        2147483647, /* largest int */
        2,          /* floating base */
        24,         /* single-precision digits */
        -125,       /* single-precision smallest exponent */
        128,        /* single-precision largest exponent */
        53,         /* double-precision digits */
        -1021,      /* double-precision smallest exponent */
        1024,       /* double-precision largest exponent */
    };
    return imach[*i];
}
