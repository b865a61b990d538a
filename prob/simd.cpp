// simd.cpp -- choosing between the library's exp/log and the vector replicas,
// finding the library's tables, and the start-up comparison that proves a
// replica before it is used.
#include "simd.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "simd_kernels.h"
#include "simd_check.h"

#if defined(TAMSEL_SIMD_AVX2) || defined(TAMSEL_SIMD_AVX512)
#include <dlfcn.h>
#include <link.h>
#endif

namespace tamsel_simd {
namespace {

enum path { SCALAR, AVX2, AVX512 };
const char* const NAMES[] = {"scalar", "avx2", "avx512"};

#if defined(TAMSEL_SIMD_AVX2) || defined(TAMSEL_SIMD_AVX512)

std::uint64_t bits(double v)
{
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return u;
}

// The maths library's data, found in its loaded image by the first two
// constants of each block (1/ln2 * 128 and its -ln2/128 high part; ln2 split
// high/low) and checked for the rest of its known shape. These are the exact
// values the library's exp and log read.
struct search {
    const char* object;
    const unsigned char* exp_data = nullptr;
    const unsigned char* log_data = nullptr;
};

const unsigned char* find(const unsigned char* from, std::size_t size, std::uint64_t a, std::uint64_t b)
{
    unsigned char key[16];
    std::memcpy(key, &a, 8);
    std::memcpy(key + 8, &b, 8);
    for (std::size_t off = 0; off + 16 <= size; off += 8) {
        const unsigned char* p = static_cast<const unsigned char*>(memmem(from + off, size - off, key, 16));
        if (!p) return nullptr;
        if ((p - from) % 8 == 0) return p;
        off = static_cast<std::size_t>(p - from);
    }
    return nullptr;
}

int visit(dl_phdr_info* info, std::size_t, void* arg)
{
    search& s = *static_cast<search*>(arg);
    if (!info->dlpi_name || std::strcmp(info->dlpi_name, s.object) != 0) return 0;
    for (int h = 0; h < info->dlpi_phnum; ++h) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[h];
        if (ph.p_type != PT_LOAD || !(ph.p_flags & PF_R)) continue;
        const auto* seg = reinterpret_cast<const unsigned char*>(info->dlpi_addr + ph.p_vaddr);
        if (!s.exp_data) s.exp_data = find(seg, ph.p_filesz, 0x40671547652b82feULL, 0xbf762e42fefa0000ULL);
        if (!s.log_data) s.log_data = find(seg, ph.p_filesz, 0x3fe62e42fefa3800ULL, 0x3d2ef35793c76730ULL);
    }
    return 1;
}

double at(const unsigned char* p, int k)
{
    double v;
    std::memcpy(&v, p + 8 * k, 8);
    return v;
}

bool read_tables(tables& t)
{
    Dl_info info;
    double (*e)(double) = &::exp;
    if (!dladdr(reinterpret_cast<void*>(e), &info) || !info.dli_fname) return false;
    search s{info.dli_fname};
    dl_iterate_phdr(visit, &s);
    if (!s.exp_data || !s.log_data) return false;
    const unsigned char* x = s.exp_data;
    // exp: invln2N, negln2hiN, negln2loN, poly[4], shift, (exp2 data), tab at 112.
    t.invln2N = at(x, 0);
    t.negln2hiN = at(x, 1);
    t.negln2loN = at(x, 2);
    t.C2 = at(x, 3), t.C3 = at(x, 4), t.C4 = at(x, 5), t.C5 = at(x, 6);
    t.shift = at(x, 7);
    std::memcpy(t.etab, x + 112, sizeof t.etab);
    if (bits(t.shift) != 0x4338000000000000ULL || t.etab[0] != 0 || t.etab[1] != bits(1.0)) return false;
    // log: ln2hi, ln2lo, poly[5], poly1[11], tab[128] of (invc, logc).
    const unsigned char* l = s.log_data;
    t.ln2hi = at(l, 0);
    t.ln2lo = at(l, 1);
    for (int k = 0; k < 5; ++k) t.A[k] = at(l, 2 + k);
    for (int k = 0; k < 11; ++k) t.B[k] = at(l, 7 + k);
    std::memcpy(t.ltab, l + 8 * 18, sizeof t.ltab);
    if (t.B[0] != -0.5) return false;
    // 1/c of every subinterval of [0.6875, 1.375) lies inside its inverse range.
    for (int i = 0; i < 128; ++i) {
        if (!(t.ltab[2 * i] > 0.7 && t.ltab[2 * i] < 1.5)) return false;
    }
    return true;
}

#endif

// What start-up found: the library's tables and the paths that matched it.
struct probe_result {
    tables t;
    bool found = false, avx2 = false, avx512 = false;
};

probe_result probe()
{
    probe_result p;
#if defined(TAMSEL_SIMD_AVX2) || defined(TAMSEL_SIMD_AVX512)
    __builtin_cpu_init();
    p.found = read_tables(p.t);
    if (!p.found) return p;
    const std::vector<double> ea = check_arguments_exp(), la = check_arguments_log();
#endif
#ifdef TAMSEL_SIMD_AVX2
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        p.avx2 = matches_library(ea, la, [&](const double* x, double* y, std::size_t n, bool is_exp) {
            is_exp ? vexp_avx2(p.t, x, y, n) : vlog_avx2(p.t, x, y, n);
        });
#endif
#ifdef TAMSEL_SIMD_AVX512
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq"))
        p.avx512 = matches_library(ea, la, [&](const double* x, double* y, std::size_t n, bool is_exp) {
            is_exp ? vexp_avx512(p.t, x, y, n) : vlog_avx512(p.t, x, y, n);
        });
#endif
    return p;
}

const probe_result& probed()
{
    static const probe_result p = probe();  // thread-safe, once per process
    return p;
}

// The process-wide path: -1 until simd_init or the first vexp/vlog chooses.
std::atomic<int>& selected()
{
    static std::atomic<int> path{-1};
    return path;
}

int current()
{
    int p = selected().load(std::memory_order_relaxed);
    if (p < 0) {
        simd_init(true);
        p = selected().load(std::memory_order_relaxed);
    }
    return p;
}

}  // namespace

const tables* library_tables() { return probed().found ? &probed().t : nullptr; }

bool select(const char* name)
{
    const probe_result& p = probed();
    if (std::strcmp(name, "scalar") == 0) {
        selected().store(SCALAR);
        return true;
    }
    if (std::strcmp(name, "avx2") == 0 && p.avx2) {
        selected().store(AVX2);
        return true;
    }
    if (std::strcmp(name, "avx512") == 0 && p.avx512) {
        selected().store(AVX512);
        return true;
    }
    return false;
}

}  // namespace tamsel_simd

using namespace tamsel_simd;

void simd_init(bool allow)
{
    if (!allow) {
        selected().store(SCALAR);
        return;
    }
    // AVX2 first: whole runs measured faster with it than with AVX-512 on the
    // machines tried (the wider kernels' gain is lost to the rest of the run).
    const probe_result& p = probed();
    selected().store(p.avx2 ? AVX2 : p.avx512 ? AVX512 : SCALAR);
}

const char* simd_path() { return NAMES[current()]; }

int simd_lanes()
{
    const int p = current();
    return p == AVX512 ? 8 : p == AVX2 ? 4 : 1;
}

void vexp(const double* x, double* y, std::size_t n)
{
    switch (current()) {
#ifdef TAMSEL_SIMD_AVX512
    case AVX512:
        vexp_avx512(probed().t, x, y, n);
        return;
#endif
#ifdef TAMSEL_SIMD_AVX2
    case AVX2:
        vexp_avx2(probed().t, x, y, n);
        return;
#endif
    default:
        for (std::size_t i = 0; i < n; ++i) y[i] = std::exp(x[i]);
    }
}

void vlog(const double* x, double* y, std::size_t n)
{
    switch (current()) {
#ifdef TAMSEL_SIMD_AVX512
    case AVX512:
        vlog_avx512(probed().t, x, y, n);
        return;
#endif
#ifdef TAMSEL_SIMD_AVX2
    case AVX2:
        vlog_avx2(probed().t, x, y, n);
        return;
#endif
    default:
        for (std::size_t i = 0; i < n; ++i) y[i] = std::log(x[i]);
    }
}
