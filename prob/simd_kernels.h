// simd_kernels.h -- what the vector kernels of simd.cpp share: the maths
// library's constants and tables, copied once from the library, and the
// kernels of each instruction set.
#ifndef TAMSEL_SIMD_KERNELS_H
#define TAMSEL_SIMD_KERNELS_H

#include <cstddef>
#include <cstdint>

namespace tamsel_simd {

// The layout of the library's data, in its order (see simd.cpp for how it is found).
struct tables {
    // exp: x = k ln2/128 + r; 2^(j/128) = scale (1 + tail), from etab[2j] (tail)
    // and etab[2j + 1] (bits of scale minus j << 45).
    double invln2N, negln2hiN, negln2loN, C2, C3, C4, C5, shift;
    alignas(64) std::uint64_t etab[256];
    // log: the polynomial of the main path (A), of the path near 1 (B), and per
    // subinterval of the mantissa 1/c and log(c) (ltab[2i], ltab[2i + 1]).
    double ln2hi, ln2lo, A[5], B[11];
    alignas(64) double ltab[256];
};

// The exp argument range of the main path: |x| in [2^-54, 512).
constexpr std::uint64_t EXP_TOP_LO = 0x3c9, EXP_TOP_SPAN = 0x3f;
// log: the path near 1 covers [1 - 2^-4, 1 + 0x1.09p-4); OFF centres the subintervals.
constexpr std::uint64_t LOG_LO = 0x3fee000000000000ULL, LOG_SPAN = 0x3ff1090000000000ULL - LOG_LO;
constexpr std::uint64_t LOG_OFF = 0x3fe6000000000000ULL;

// The tables as read from the library, or nullptr when they were not found.
const tables* library_tables();

void vexp_avx2(const tables& t, const double* x, double* y, std::size_t n);
void vlog_avx2(const tables& t, const double* x, double* y, std::size_t n);
void vexp_avx512(const tables& t, const double* x, double* y, std::size_t n);
void vlog_avx512(const tables& t, const double* x, double* y, std::size_t n);

}  // namespace tamsel_simd

#endif
