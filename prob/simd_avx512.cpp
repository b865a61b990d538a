// simd_avx512.cpp -- exp and log on 8 lanes: the same replica of the maths
// library's FMA variants as simd_avx2.cpp, operation for operation (see there
// for the reason of every fused operation); compiled alone with -mavx512f
// -mavx512dq -mfma -ffp-contract=off.
#include <immintrin.h>

#include <cmath>

#include "simd_kernels.h"

namespace tamsel_simd {
namespace {

inline __m512d bcast(double v) { return _mm512_set1_pd(v); }
inline __m512i bcast64(std::uint64_t v) { return _mm512_set1_epi64(static_cast<long long>(v)); }

// Eight 16-byte table entries (pairs) as two vectors: first and second members.
inline void pairs(const double* tab, const std::uint64_t* j, __m512d& first, __m512d& second)
{
    auto two = [&](int a, int b) {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(tab + 2 * j[a])), _mm_load_pd(tab + 2 * j[b]), 1);
    };
    __m512d a = _mm512_insertf64x4(_mm512_castpd256_pd512(two(0, 2)), two(4, 6), 1);
    __m512d b = _mm512_insertf64x4(_mm512_castpd256_pd512(two(1, 3)), two(5, 7), 1);
    first = _mm512_unpacklo_pd(a, b);
    second = _mm512_unpackhi_pd(a, b);
}

inline __m512d exp8(const tables& t, __m512d x, int& special)
{
    const __m512i ix = _mm512_castpd_si512(x);
    const __m512i abstop = _mm512_and_si512(_mm512_srli_epi64(ix, 52), bcast64(0x7ff));
    special = static_cast<int>(_mm512_cmpge_epu64_mask(_mm512_sub_epi64(abstop, bcast64(EXP_TOP_LO)), bcast64(EXP_TOP_SPAN)));

    const __m512d kdr = _mm512_fmadd_pd(x, bcast(t.invln2N), bcast(t.shift));
    const __m512i ki = _mm512_castpd_si512(kdr);
    const __m512d kd = _mm512_sub_pd(kdr, bcast(t.shift));
    __m512d r = _mm512_fmadd_pd(kd, bcast(t.negln2hiN), x);
    r = _mm512_fmadd_pd(kd, bcast(t.negln2loN), r);

    alignas(64) std::uint64_t j[8];
    _mm512_store_si512(j, _mm512_and_si512(ki, bcast64(127)));
    __m512d tail, sb;
    pairs(reinterpret_cast<const double*>(t.etab), j, tail, sb);
    const __m512i sbits = _mm512_add_epi64(_mm512_castpd_si512(sb), _mm512_slli_epi64(ki, 45));

    const __m512d r2 = _mm512_mul_pd(r, r);
    __m512d p23 = _mm512_fmadd_pd(r, bcast(t.C3), bcast(t.C2));
    const __m512d p45 = _mm512_fmadd_pd(r, bcast(t.C5), bcast(t.C4));
    __m512d tmp = _mm512_fmadd_pd(p23, r2, _mm512_add_pd(tail, r));
    tmp = _mm512_fmadd_pd(_mm512_mul_pd(r2, r2), p45, tmp);
    const __m512d scale = _mm512_castsi512_pd(sbits);
    return _mm512_fmadd_pd(scale, tmp, scale);
}

inline __m512d log8(const tables& t, __m512d x, int& special)
{
    const __m512i ix = _mm512_castpd_si512(x);
    const __mmask8 near1 = _mm512_cmplt_epu64_mask(_mm512_sub_epi64(ix, bcast64(LOG_LO)), bcast64(LOG_SPAN));
    const __m512i top = _mm512_srli_epi64(ix, 48);
    const __mmask8 ok = _mm512_cmplt_epu64_mask(_mm512_sub_epi64(top, bcast64(0x10)), bcast64(0x7ff0 - 0x10));
    special = static_cast<int>(static_cast<__mmask8>(~(ok | near1)));

    const __m512i tmpi = _mm512_sub_epi64(ix, bcast64(LOG_OFF));
    const __m512d kd = _mm512_cvtepi64_pd(_mm512_srai_epi64(tmpi, 52));
    alignas(64) std::uint64_t j[8];
    _mm512_store_si512(j, _mm512_and_si512(_mm512_srli_epi64(tmpi, 45), bcast64(127)));
    __m512d invc, logc;
    pairs(t.ltab, j, invc, logc);
    const __m512d z = _mm512_castsi512_pd(_mm512_sub_epi64(ix, _mm512_and_si512(tmpi, bcast64(0xfff0000000000000ULL))));

    const __m512d r = _mm512_fmadd_pd(z, invc, bcast(-1.0));
    const __m512d w = _mm512_fmadd_pd(kd, bcast(t.ln2hi), logc);
    const __m512d hi = _mm512_add_pd(w, r);
    const __m512d lo = _mm512_fmadd_pd(kd, bcast(t.ln2lo), _mm512_add_pd(_mm512_sub_pd(w, hi), r));
    const __m512d r2 = _mm512_mul_pd(r, r);
    const __m512d r3 = _mm512_mul_pd(r, r2);
    const __m512d p12 = _mm512_fmadd_pd(r, bcast(t.A[2]), bcast(t.A[1]));
    const __m512d p34 = _mm512_fmadd_pd(r, bcast(t.A[4]), bcast(t.A[3]));
    const __m512d lo2 = _mm512_fmadd_pd(r2, bcast(t.A[0]), lo);
    const __m512d p = _mm512_fmadd_pd(p34, r2, p12);
    const __m512d ymain = _mm512_add_pd(_mm512_fmadd_pd(r3, p, lo2), hi);

    const __m512d s = _mm512_sub_pd(x, bcast(1.0));
    const __m512d s2 = _mm512_mul_pd(s, s);
    const __m512d s3 = _mm512_mul_pd(s, s2);
    const __m512d q1 = _mm512_fmadd_pd(s2, bcast(t.B[3]), _mm512_fmadd_pd(s, bcast(t.B[2]), bcast(t.B[1])));
    const __m512d q2 = _mm512_fmadd_pd(s2, bcast(t.B[6]), _mm512_fmadd_pd(s, bcast(t.B[5]), bcast(t.B[4])));
    const __m512d q3 = _mm512_fmadd_pd(s3, bcast(t.B[10]),
                                       _mm512_fmadd_pd(s2, bcast(t.B[9]), _mm512_fmadd_pd(s, bcast(t.B[8]), bcast(t.B[7]))));
    const __m512d q = _mm512_fmadd_pd(_mm512_fmadd_pd(q3, s3, q2), s3, q1);
    const __m512d two27 = bcast(0x1p27);
    const __m512d rhi = _mm512_fnmadd_pd(two27, s, _mm512_fmadd_pd(s, two27, s));
    const __m512d rlo = _mm512_sub_pd(s, rhi);
    const __m512d rhi2 = _mm512_mul_pd(rhi, rhi);
    const __m512d nhi = _mm512_fmadd_pd(rhi2, bcast(t.B[0]), s);
    __m512d nlo = _mm512_fmadd_pd(rhi2, bcast(t.B[0]), _mm512_sub_pd(s, nhi));
    nlo = _mm512_fmadd_pd(_mm512_mul_pd(bcast(t.B[0]), rlo), _mm512_add_pd(s, rhi), nlo);
    const __m512d ynear = _mm512_add_pd(nhi, _mm512_fmadd_pd(q, s3, nlo));

    return _mm512_mask_blend_pd(near1, ymain, ynear);
}

// y = kernel(x) in blocks of 8; the lanes the kernel marks are the library's.
// A full block goes straight to y; x may be y, so marked inputs are kept first.
template <class K, class L>
void run(const tables& t, const double* x, double* y, std::size_t n, double pad, K kernel, L library)
{
    alignas(64) double in[8], out[8];
    for (std::size_t i = 0; i < n; i += 8) {
        const std::size_t m = n - i < 8 ? n - i : 8;
        __m512d v;
        if (m == 8) {
            v = _mm512_loadu_pd(x + i);
        } else {
            for (std::size_t l = 0; l < 8; ++l) in[l] = l < m ? x[i + l] : pad;
            v = _mm512_load_pd(in);
        }
        int special;
        const __m512d r = kernel(t, v, special);
        if (m == 8 && !special) {
            _mm512_storeu_pd(y + i, r);
            continue;
        }
        _mm512_store_pd(out, r);
        if (special) {
            _mm512_store_pd(in, v);
            for (std::size_t l = 0; l < m; ++l)
                if (special >> l & 1) out[l] = library(in[l]);
        }
        for (std::size_t l = 0; l < m; ++l) y[i + l] = out[l];
    }
}

}  // namespace

void vexp_avx512(const tables& t, const double* x, double* y, std::size_t n)
{
    run(t, x, y, n, 1.0, exp8, [](double v) { return std::exp(v); });
}

void vlog_avx512(const tables& t, const double* x, double* y, std::size_t n)
{
    run(t, x, y, n, 1.0, log8, [](double v) { return std::log(v); });
}

}  // namespace tamsel_simd
