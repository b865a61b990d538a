// lanes.cpp -- which compiled copy of the per-individual loops a path runs.
#include "lanes.h"

#ifdef TAMSEL_LANES_AVX2
const lane_kernels* lanes_avx2_table();
#endif
#ifdef TAMSEL_LANES_AVX512
const lane_kernels* lanes_avx512_table();
#endif

const lane_kernels* lanes_for(int lanes)
{
#ifdef TAMSEL_LANES_AVX512
    if (lanes == 8) return lanes_avx512_table();
#endif
#ifdef TAMSEL_LANES_AVX2
    if (lanes == 4) return lanes_avx2_table();
#endif
    (void)lanes;
    return nullptr;
}
