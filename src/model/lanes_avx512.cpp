// lanes_avx512.cpp -- the loops of lanes_body.h in avx512 lanes.
#define LANES_NS lanes_avx512
#include "lanes_body.h"

const lane_kernels* lanes_avx512_table() { return &lanes_avx512::table; }
