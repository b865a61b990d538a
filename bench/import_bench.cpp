// tamsel_import_bench -- the long-layout conversions of tamsel-import: speed
// (MB of report per second, and CPU seconds) and the converter's peak resident
// memory under a memory budget, on a Final Report the simulator writes, or
// with --order snp|sample|mixed one the benchmark writes itself SNP by SNP,
// sample by sample, or sample by sample within stretches of 1000 SNPs (the
// stream, the pivot and the sorted runs of the same data).
//
// Prints figures only; fails (exit 1) only when a child cannot be started or
// exits unsuccessfully.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "child.h"
#include <fstream>

#ifndef TAMSEL_BENCH_IMPORT
#define TAMSEL_BENCH_IMPORT ""
#endif
#ifndef TAMSEL_BENCH_SIMULATE
#define TAMSEL_BENCH_SIMULATE ""
#endif

namespace {

double file_mb(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? static_cast<double>(st.st_size) / 1048576.0 : 0.0;
}

// A Final Report of the given size in one line order; values vary a little per pair.
bool write_report(const std::string& path, long snps, long samples, bool snp_major)
{
    std::ofstream f(path, std::ios::binary);
    f << "[Header]\nNum SNPs\t" << snps << "\nNum Samples\t" << samples << "\n[Data]\nSNP Name\tSample ID\tX\tY\n";
    std::string buf;
    char line[96];
    const long outer = snp_major ? snps : samples, inner = snp_major ? samples : snps;
    for (long o = 0; o < outer; ++o) {
        for (long i = 0; i < inner; ++i) {
            const long j = snp_major ? o : i, s = snp_major ? i : o, k = (j * 31 + s * 17) % 1000;
            buf.append(line, static_cast<size_t>(std::snprintf(line, sizeof line, "rs%ld\tS%ld\t%ld.%03ld\t0.%03ld\n", j + 1,
                                                               s + 1, k % 3, k, 999 - k)));
        }
        if (buf.size() > (1u << 20)) {
            f << buf;
            buf.clear();
        }
    }
    f << buf;
    return static_cast<bool>(f.flush());
}

// "mixed": sample by sample within each stretch of 1000 SNPs, so every sample comes back.
bool write_report(const std::string& path, long snps, long samples, const std::string& order)
{
    if (order != "mixed") return write_report(path, snps, samples, order == "snp");
    std::ofstream f(path, std::ios::binary);
    f << "[Header]\nNum SNPs\t" << snps << "\nNum Samples\t" << samples << "\n[Data]\nSNP Name\tSample ID\tX\tY\n";
    std::string buf;
    char line[96];
    for (long from = 0; from < snps; from += 1000) {
        for (long s = 0; s < samples; ++s)
            for (long j = from; j < std::min(snps, from + 1000); ++j) {
                const long k = (j * 31 + s * 17) % 1000;
                buf.append(line, static_cast<size_t>(std::snprintf(line, sizeof line, "rs%ld\tS%ld\t%ld.%03ld\t0.%03ld\n",
                                                                   j + 1, s + 1, k % 3, k, 999 - k)));
            }
        f << buf;
        buf.clear();
    }
    return static_cast<bool>(f.flush());
}

void usage()
{
    std::fputs("Usage: tamsel_import_bench [--snps N] [--samples N] [--memory MB] [--dir DIR]\n"
               "                           [--report FILE] [--import PATH] [--simulate PATH]\n"
               "                           [--order snp|sample|mixed]\n"
               "  Simulates a Final Report of N SNPs x N samples in DIR (default 2700 x 110, about\n"
               "  20 MB; 1 GB is about --snps 50000 --samples 280), or takes FILE, and converts it\n"
               "  with tamsel-import --memory MB [1], printing MB/s and peak memory.\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string snps = "2700", samples = "110", memory = "1", dir = ".", report, order;
    std::string import = TAMSEL_BENCH_IMPORT, simulate = TAMSEL_BENCH_SIMULATE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            usage();
            return 1;
        }
        std::string* target = a == "--snps" ? &snps : a == "--samples" ? &samples : a == "--memory" ? &memory
                              : a == "--dir" ? &dir : a == "--report" ? &report : a == "--import" ? &import
                              : a == "--simulate" ? &simulate : a == "--order" ? &order : nullptr;
        if (!target) {
            usage();
            return 1;
        }
        *target = argv[++i];
    }
    const bool made = report.empty();
    if (made && !order.empty()) {
        report = dir + "/import_bench." + order + ".report";
        std::printf("writing %s SNPs x %s samples, %s by %s ...\n", snps.c_str(), samples.c_str(), order.c_str(),
                    order.c_str());
        std::fflush(stdout);
        if ((order != "snp" && order != "sample" && order != "mixed") ||
            !write_report(report, std::atol(snps.c_str()), std::atol(samples.c_str()), order)) {
            usage();
            return 1;
        }
    } else if (made) {
        const std::string prefix = dir + "/import_bench";
        std::printf("simulating %s SNPs x %s samples ...\n", snps.c_str(), samples.c_str());
        std::fflush(stdout);
        if (!run_child("tamsel_import_bench",
                       {simulate, "--snps", snps, "--samples", samples, "--layout", "finalreport", "--out", prefix},
                       prefix + ".log", true)
                 .ok)
            return 1;
        report = prefix + ".report";
        std::remove((prefix + ".int").c_str());
        std::remove((prefix + ".truth").c_str());
    }
    const std::string out = dir + "/import_bench.conv";
    const double mb = file_mb(report);
    const child_result r =
        run_child("tamsel_import_bench", {import, report, "-o", out, "--memory", memory}, dir + "/import_bench.log", true);
    if (!r.ok) return 1;
    std::printf("report      %.1f MB (%s)\n", mb, report.c_str());
    std::printf("budget      %s MB\n", memory.c_str());
    std::printf("time        %.2f s\n", r.wall);
    std::printf("cpu         %.2f s (user %.2f + sys %.2f)\n", r.user + r.sys, r.user, r.sys);
    std::printf("speed       %.1f MB/s of wall time, %.1f MB per CPU second\n", mb / r.wall, mb / (r.user + r.sys));
    std::printf("peak memory %.1f MB\n", static_cast<double>(r.max_rss_kb) / 1024.0);
    std::remove(out.c_str());
    if (made) std::remove(report.c_str());
    return 0;
}
