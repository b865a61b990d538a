// simd.h -- exact vector exp and log, and the choice of the path that runs them.
//
// vexp and vlog return, element by element, the very bits the process's own
// exp and log return. On x86-64 with glibc they run a 4-lane (AVX2) or 8-lane
// (AVX-512) replica of the maths library's FMA variants, reading the library's
// own tables; any argument outside the replica's main paths (huge, tiny,
// negative, subnormal, infinite, NaN) is handed to the library itself.
//
// The replica is used only when the CPU has the instructions AND a start-up
// comparison of about 10^5 fixed arguments with the library (every table
// entry, both paths of log, the argument-rounding boundaries of exp, special
// values) matches bit for bit; otherwise every call is the library's.
//
// The selected path is one process-wide flag, set by simd_init (normally once
// at start-up); until then the first vexp/vlog call chooses as simd_init(true).
#ifndef TAMSEL_SIMD_H
#define TAMSEL_SIMD_H

#include <cstddef>

// Detects the CPU, runs the start-up comparison once, and selects a proven
// path (AVX2, else AVX-512, else the library); allow = false selects the library path (an option like --no-simd).
void simd_init(bool allow);

// "avx512", "avx2" or "scalar": the path vexp and vlog now take.
const char* simd_path();

// The lanes of that path: 8, 4, or 1 for the library's.
int simd_lanes();

// y[i] = exp(x[i]) and y[i] = log(x[i]) for i < n, bit for bit the library's.
// x and y may be the same array.
void vexp(const double* x, double* y, std::size_t n);
void vlog(const double* x, double* y, std::size_t n);

#endif
