// simd_avx2.cpp -- exp and log on 4 lanes, a replica of the maths library's
// FMA variants (compiled alone with -mavx2 -mfma -ffp-contract=off).
//
// Every operation is the library's: each fused multiply-add below stands
// where the library's FMA variant fuses one (read from its machine code:
// vfmadd*sd at exactly these places), every other step is a plain IEEE
// operation. The start-up comparison in simd.cpp proves the match before this
// code is ever used. Lanes outside the main paths are the library's own results.
#include <immintrin.h>

#include <cmath>

#include "simd_kernels.h"

namespace tamsel_simd {
namespace {

inline __m256d bcast(double v) { return _mm256_set1_pd(v); }
inline __m256i bcast64(std::uint64_t v) { return _mm256_set1_epi64x(static_cast<long long>(v)); }

// Unsigned a < b on 64-bit lanes, by flipping the sign bits.
inline __m256i below(__m256i a, __m256i b)
{
    const __m256i s = bcast64(0x8000000000000000ULL);
    return _mm256_cmpgt_epi64(_mm256_xor_si256(b, s), _mm256_xor_si256(a, s));
}

// Four 16-byte table entries (pairs) as two vectors: first and second members.
inline void pairs(const double* tab, const std::uint64_t* j, __m256d& first, __m256d& second)
{
    __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(tab + 2 * j[0])), _mm_load_pd(tab + 2 * j[2]), 1);
    __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(tab + 2 * j[1])), _mm_load_pd(tab + 2 * j[3]), 1);
    first = _mm256_unpacklo_pd(a, b);
    second = _mm256_unpackhi_pd(a, b);
}

// exp of 4 lanes; bit l of the result mask marks a lane the library must do.
inline __m256d exp4(const tables& t, __m256d x, int& special)
{
    const __m256i ix = _mm256_castpd_si256(x);
    const __m256i abstop = _mm256_and_si256(_mm256_srli_epi64(ix, 52), bcast64(0x7ff));
    special = _mm256_movemask_pd(_mm256_castsi256_pd(
        _mm256_xor_si256(below(_mm256_sub_epi64(abstop, bcast64(EXP_TOP_LO)), bcast64(EXP_TOP_SPAN)), bcast64(~0ULL))));

    // Fused: the library computes kd = InvLn2N * x + Shift as one fma.
    const __m256d kdr = _mm256_fmadd_pd(x, bcast(t.invln2N), bcast(t.shift));
    const __m256i ki = _mm256_castpd_si256(kdr);
    const __m256d kd = _mm256_sub_pd(kdr, bcast(t.shift));
    // Fused twice: r = x + kd * NegLn2hiN + kd * NegLn2loN is two nested fmas.
    __m256d r = _mm256_fmadd_pd(kd, bcast(t.negln2hiN), x);
    r = _mm256_fmadd_pd(kd, bcast(t.negln2loN), r);

    alignas(32) std::uint64_t j[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(j), _mm256_and_si256(ki, bcast64(127)));
    __m256d tail, sb;
    pairs(reinterpret_cast<const double*>(t.etab), j, tail, sb);
    const __m256i sbits = _mm256_add_epi64(_mm256_castpd_si256(sb), _mm256_slli_epi64(ki, 45));

    // tmp = tail + r + r2 * (C2 + r * C3) + r2 * r2 * (C4 + r * C5): the library
    // fuses C2 + r*C3, C4 + r*C5, the addition of r2*(..) to tail + r, and the
    // addition of r2*r2*(..) to that; r2 and r2*r2 are plain products.
    const __m256d r2 = _mm256_mul_pd(r, r);
    __m256d p23 = _mm256_fmadd_pd(r, bcast(t.C3), bcast(t.C2));
    const __m256d p45 = _mm256_fmadd_pd(r, bcast(t.C5), bcast(t.C4));
    __m256d tmp = _mm256_fmadd_pd(p23, r2, _mm256_add_pd(tail, r));
    tmp = _mm256_fmadd_pd(_mm256_mul_pd(r2, r2), p45, tmp);
    // Fused: scale + scale * tmp.
    const __m256d scale = _mm256_castsi256_pd(sbits);
    return _mm256_fmadd_pd(scale, tmp, scale);
}

// log of 4 lanes; bit l of the mask marks a lane the library must do.
inline __m256d log4(const tables& t, __m256d x, int& special)
{
    const __m256i ix = _mm256_castpd_si256(x);
    const __m256i near1 = below(_mm256_sub_epi64(ix, bcast64(LOG_LO)), bcast64(LOG_SPAN));
    // Zero, negative, subnormal, infinite and NaN arguments: top 16 bits outside [0x0010, 0x7ff0).
    const __m256i top = _mm256_srli_epi64(ix, 48);
    const __m256i ok = below(_mm256_sub_epi64(top, bcast64(0x10)), bcast64(0x7ff0 - 0x10));
    special = _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_andnot_si256(_mm256_or_si256(ok, near1), bcast64(~0ULL))));

    // Main path: x = 2^k z with z in [OFF, 2 OFF); subinterval i of z.
    const __m256i tmpi = _mm256_sub_epi64(ix, bcast64(LOG_OFF));
    const __m256i k32 = _mm256_permutevar8x32_epi32(_mm256_srai_epi32(tmpi, 20), _mm256_setr_epi32(1, 3, 5, 7, 1, 3, 5, 7));
    const __m256d kd = _mm256_cvtepi32_pd(_mm256_castsi256_si128(k32));
    alignas(32) std::uint64_t j[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(j), _mm256_and_si256(_mm256_srli_epi64(tmpi, 45), bcast64(127)));
    __m256d invc, logc;
    pairs(t.ltab, j, invc, logc);
    const __m256d z = _mm256_castsi256_pd(_mm256_sub_epi64(ix, _mm256_and_si256(tmpi, bcast64(0xfff0000000000000ULL))));

    // Fused (the library's own explicit fma): r = z * invc - 1.
    const __m256d r = _mm256_fmadd_pd(z, invc, bcast(-1.0));
    // Fused: w = kd * Ln2hi + logc.
    const __m256d w = _mm256_fmadd_pd(kd, bcast(t.ln2hi), logc);
    const __m256d hi = _mm256_add_pd(w, r);
    // Fused: lo = w - hi + r + kd * Ln2lo, the last product added in the fma.
    const __m256d lo = _mm256_fmadd_pd(kd, bcast(t.ln2lo), _mm256_add_pd(_mm256_sub_pd(w, hi), r));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d r3 = _mm256_mul_pd(r, r2);
    // y = lo + r2*A0 + r*r2*(A1 + r*A2 + r2*(A3 + r*A4)) + hi: fused are A1 + r*A2,
    // A3 + r*A4, their combination through r2, lo + r2*A0 and the addition of
    // r3*(..); the final + hi is plain.
    const __m256d p12 = _mm256_fmadd_pd(r, bcast(t.A[2]), bcast(t.A[1]));
    const __m256d p34 = _mm256_fmadd_pd(r, bcast(t.A[4]), bcast(t.A[3]));
    const __m256d lo2 = _mm256_fmadd_pd(r2, bcast(t.A[0]), lo);
    const __m256d p = _mm256_fmadd_pd(p34, r2, p12);
    const __m256d ymain = _mm256_add_pd(_mm256_fmadd_pd(r3, p, lo2), hi);

    // Path near 1: r = x - 1, log1p(r) by a polynomial in r with r^2/2 split exactly.
    const __m256d s = _mm256_sub_pd(x, bcast(1.0));
    const __m256d s2 = _mm256_mul_pd(s, s);
    const __m256d s3 = _mm256_mul_pd(s, s2);
    // Fused: each B[a] + r*B[a+1] + r2*B[a+2] (+ r3*B[a+3]) is a chain of fmas, and
    // the Horner steps through r3 are fmas.
    const __m256d q1 = _mm256_fmadd_pd(s2, bcast(t.B[3]), _mm256_fmadd_pd(s, bcast(t.B[2]), bcast(t.B[1])));
    const __m256d q2 = _mm256_fmadd_pd(s2, bcast(t.B[6]), _mm256_fmadd_pd(s, bcast(t.B[5]), bcast(t.B[4])));
    const __m256d q3 = _mm256_fmadd_pd(s3, bcast(t.B[10]),
                                       _mm256_fmadd_pd(s2, bcast(t.B[9]), _mm256_fmadd_pd(s, bcast(t.B[8]), bcast(t.B[7]))));
    const __m256d q = _mm256_fmadd_pd(_mm256_fmadd_pd(q3, s3, q2), s3, q1);
    // Fused: rhi = r + w - w with w = r * 2^27: (r + w) fused, then minus the product fused.
    const __m256d two27 = bcast(0x1p27);
    const __m256d rhi = _mm256_fnmadd_pd(two27, s, _mm256_fmadd_pd(s, two27, s));
    const __m256d rlo = _mm256_sub_pd(s, rhi);
    const __m256d rhi2 = _mm256_mul_pd(rhi, rhi);
    // Fused: hi = r + rhi*rhi*B0 and lo = r - hi + rhi*rhi*B0 add the product in an fma.
    const __m256d nhi = _mm256_fmadd_pd(rhi2, bcast(t.B[0]), s);
    __m256d nlo = _mm256_fmadd_pd(rhi2, bcast(t.B[0]), _mm256_sub_pd(s, nhi));
    // Fused: lo += B0*rlo * (rhi + r), and y = r3 * q + lo.
    nlo = _mm256_fmadd_pd(_mm256_mul_pd(bcast(t.B[0]), rlo), _mm256_add_pd(s, rhi), nlo);
    const __m256d ynear = _mm256_add_pd(nhi, _mm256_fmadd_pd(q, s3, nlo));

    return _mm256_blendv_pd(ymain, ynear, _mm256_castsi256_pd(near1));
}

// y = kernel(x) in blocks of 4; the lanes the kernel marks are the library's.
// A full block goes straight to y; x may be y, so marked inputs are kept first.
template <class K, class L>
void run(const tables& t, const double* x, double* y, std::size_t n, double pad, K kernel, L library)
{
    alignas(64) double in[4], out[4];
    for (std::size_t i = 0; i < n; i += 4) {
        const std::size_t m = n - i < 4 ? n - i : 4;
        __m256d v;
        if (m == 4) {
            v = _mm256_loadu_pd(x + i);
        } else {
            for (std::size_t l = 0; l < 4; ++l) in[l] = l < m ? x[i + l] : pad;
            v = _mm256_load_pd(in);
        }
        int special;
        const __m256d r = kernel(t, v, special);
        if (m == 4 && !special) {
            _mm256_storeu_pd(y + i, r);
            continue;
        }
        _mm256_store_pd(out, r);
        if (special) {
            _mm256_store_pd(in, v);
            for (std::size_t l = 0; l < m; ++l)
                if (special >> l & 1) out[l] = library(in[l]);
        }
        for (std::size_t l = 0; l < m; ++l) y[i + l] = out[l];
    }
}

}  // namespace

void vexp_avx2(const tables& t, const double* x, double* y, std::size_t n)
{
    run(t, x, y, n, 1.0, exp4, [](double v) { return std::exp(v); });
}

void vlog_avx2(const tables& t, const double* x, double* y, std::size_t n)
{
    run(t, x, y, n, 1.0, log4, [](double v) { return std::log(v); });
}

}  // namespace tamsel_simd
