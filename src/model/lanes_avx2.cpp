// lanes_avx2.cpp -- the loops of lanes_body.h in avx2 lanes.
#define LANES_NS lanes_avx2
#include "lanes_body.h"

const lane_kernels* lanes_avx2_table() { return &lanes_avx2::table; }
