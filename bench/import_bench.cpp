// tamsel_import_bench -- the long-layout pivot of tamsel-import: speed (MB of
// report per second) and the converter's peak resident memory under a memory
// budget, on a Final Report the simulator writes.
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

void usage()
{
    std::fputs("Usage: tamsel_import_bench [--snps N] [--samples N] [--memory MB] [--dir DIR]\n"
               "                           [--report FILE] [--import PATH] [--simulate PATH]\n"
               "  Simulates a Final Report of N SNPs x N samples in DIR (default 2700 x 110, about\n"
               "  20 MB; 1 GB is about --snps 50000 --samples 280), or takes FILE, and converts it\n"
               "  with tamsel-import --memory MB [1], printing MB/s and peak memory.\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string snps = "2700", samples = "110", memory = "1", dir = ".", report;
    std::string import = TAMSEL_BENCH_IMPORT, simulate = TAMSEL_BENCH_SIMULATE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            usage();
            return 1;
        }
        std::string* target = a == "--snps" ? &snps : a == "--samples" ? &samples : a == "--memory" ? &memory
                              : a == "--dir" ? &dir : a == "--report" ? &report : a == "--import" ? &import
                              : a == "--simulate" ? &simulate : nullptr;
        if (!target) {
            usage();
            return 1;
        }
        *target = argv[++i];
    }
    const bool made = report.empty();
    if (made) {
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
    std::printf("speed       %.1f MB/s\n", mb / r.wall);
    std::printf("peak memory %.1f MB\n", static_cast<double>(r.max_rss_kb) / 1024.0);
    std::remove(out.c_str());
    if (made) std::remove(report.c_str());
    return 0;
}
