// simd_check.h -- the fixed arguments of the start-up comparison, and the comparison.
#ifndef TAMSEL_SIMD_CHECK_H
#define TAMSEL_SIMD_CHECK_H

#include <cstddef>
#include <cstring>
#include <functional>
#include <vector>

namespace tamsel_simd {

// About 6 x 10^4 arguments of exp: every table entry at several magnitudes and
// offsets, both sides of the boundaries where the rounding of x*128/ln2 changes
// its integer, the model's ranges, tiny, huge and special values.
std::vector<double> check_arguments_exp();
// About 6 x 10^4 arguments of log: every table entry at many exponents, the path
// near 1 and its ends, the model's ranges, subnormal and special values.
std::vector<double> check_arguments_log();

// kernel(x, y, n, is_exp) against the library's exp and log, bit for bit.
using kernel_fn = std::function<void(const double*, double*, std::size_t, bool)>;
bool matches_library(const std::vector<double>& exp_args, const std::vector<double>& log_args, const kernel_fn& kernel);

// Selects "scalar", "avx2" or "avx512" when that path passed the comparison
// (tests and benchmarks); false leaves the path as it was.
bool select(const char* name);

}  // namespace tamsel_simd

#endif
