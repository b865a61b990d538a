// tamsel_bench -- times `tamsel -i IN -o OUT -c -p` on a simulated input and
// reports its speed and the peak resident memory of the child process.
//
// It prints figures only: a slow run is reported, never failed. It fails
// (exit 1) only when a child cannot be started or exits unsuccessfully.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "child.h"

#ifndef TAMSEL_BENCH_PROGRAM
#define TAMSEL_BENCH_PROGRAM ""
#endif
#ifndef TAMSEL_BENCH_SIMULATE
#define TAMSEL_BENCH_SIMULATE ""
#endif

namespace {

std::string self_dir()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string s(buf, static_cast<size_t>(n));
    return s.substr(0, s.rfind('/'));
}

// An explicit path wins, then the path this build was configured with, then a guess
// beside the bench binary (build/bench/ -> build/).
std::string find_binary(const std::string& given, const char* built_in, const std::string& rel)
{
    if (!given.empty()) return given;
    if (executable(built_in)) return built_in;
    return self_dir() + "/" + rel;
}

long count_lines(const std::string& path)
{
    std::ifstream in(path);
    if (!in) return -1;
    long n = 0;
    std::string line;
    while (std::getline(in, line)) ++n;
    return n;
}

long file_size(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

struct settings {
    std::string program, simulate, workdir;
    bool flat = false, keep = false;
    long snps = 1000, samples = 1000;
};

// One generated input and one timed run; false when a child failed.
bool bench_once(const settings& s, long snps, long samples, long& rss_kb)
{
    const std::string tag = std::to_string(snps) + "x" + std::to_string(samples);
    const std::string in = s.workdir + "/bench_" + tag;
    const child_result gen = run_child("tamsel_bench",
                                       {s.simulate, "--snps", std::to_string(snps), "--samples",
                                        std::to_string(samples), "--seed", "2024", "--out", in},
                                       in + ".simulate.log", false);
    if (!gen.ok) return false;
    const std::string out = s.workdir + "/out_" + tag;
    const child_result run =
        run_child("tamsel_bench", {s.program, "-i", in + ".int", "-o", out, "-c", "-p"}, out + ".log", false);
    if (!run.ok) return false;
    const long rows = count_lines(out + "_calls") - 1;
    const double ind_snps = static_cast<double>(snps) * static_cast<double>(samples);
    rss_kb = run.max_rss_kb;
    std::printf("input:              %ld SNPs x %ld individuals (%.1f MB, generated in %.2f s)\n", snps, samples,
                static_cast<double>(file_size(in + ".int")) / 1e6, gen.wall);
    std::printf("calls rows written: %ld%s\n", rows, rows == snps ? "" : "  (expected one per SNP)");
    std::printf("wall time:          %.3f s (user %.3f s, sys %.3f s)\n", run.wall, run.user, run.sys);
    std::printf("SNPs per second:    %.0f\n", run.wall > 0 ? static_cast<double>(snps) / run.wall : 0.0);
    std::printf("ind-SNPs per second: %.0f (target >= 500000 on one core)\n",
                run.wall > 0 ? ind_snps / run.wall : 0.0);
    // On a shared machine the wall clock includes waiting; CPU time shows the program's own cost.
    const double cpu = run.user + run.sys;
    std::printf("ind-SNPs per CPU s: %.0f\n", cpu > 0 ? ind_snps / cpu : 0.0);
    std::printf("peak RSS:           %.1f MB\n", static_cast<double>(run.max_rss_kb) / 1024.0);
    if (!s.keep) {
        for (const char* ext : {".int", ".truth", ".simulate.log"}) std::remove((in + ext).c_str());
        for (const char* ext : {"_calls", "_probs", ".log"}) std::remove((out + ext).c_str());
    }
    return true;
}

void usage(FILE* f)
{
    std::fputs("Usage: tamsel_bench [--tamsel PATH] [--simulate PATH] [--workdir DIR] [--keep] [--flat]\n"
               "                    [SNPS [INDIVIDUALS]]\n"
               "  Times `tamsel -i IN -o OUT -c -p` on a simulated input [1000 x 1000].\n"
               "  --flat  memory check instead: 1000 and 4000 SNPs at INDIVIDUALS, both peaks printed\n"
               "          (tamsel_bench --flat [INDIVIDUALS])\n"
               "  --keep  leave the generated input and outputs in the work directory\n"
               "Example: tamsel_bench --tamsel build/tamsel 2000 1000\n",
               f);
}

}  // namespace

int main(int argc, char** argv)
{
    settings s;
    std::string program, simulate;
    std::vector<long> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        long n = 0;
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (a == "--tamsel" && has_value) {
            program = argv[++i];
        } else if (a == "--simulate" && has_value) {
            simulate = argv[++i];
        } else if (a == "--workdir" && has_value) {
            s.workdir = argv[++i];
        } else if (a == "--flat") {
            s.flat = true;
        } else if (a == "--keep") {
            s.keep = true;
        } else if (parse_count(argv[i], n) && counts.size() < 2) {
            counts.push_back(n);
        } else {
            usage(stderr);
            return 1;
        }
    }
    // With --flat the SNP counts are fixed, so a single number is the individuals.
    if (s.flat && counts.size() == 1) counts.insert(counts.begin(), s.snps);
    if (!counts.empty()) s.snps = counts[0];
    if (counts.size() > 1) s.samples = counts[1];
    s.program = find_binary(program, TAMSEL_BENCH_PROGRAM, "../tamsel");
    s.simulate = find_binary(simulate, TAMSEL_BENCH_SIMULATE, "../tools/tamsel_simulate");
    if (!all_executable("tamsel_bench", {&s.program, &s.simulate})) return 1;
    bool made_dir;
    if (!ensure_work_dir("tamsel_bench", s.workdir, made_dir)) return 1;
    std::printf("program:            %s\n", s.program.c_str());
    bool ok = true;
    if (s.flat) {
        // Memory must not grow with the number of SNPs: rows are processed one at a time.
        long small = 0, large = 0;
        std::printf("-- memory flatness at %ld individuals --\n", s.samples);
        ok = bench_once(s, 1000, s.samples, small) && bench_once(s, 4000, s.samples, large);
        if (ok)
            std::printf("peak RSS 1000 SNPs: %.1f MB, 4000 SNPs: %.1f MB (ratio %.2f; target flat, < 100 MB)\n",
                        static_cast<double>(small) / 1024.0, static_cast<double>(large) / 1024.0,
                        small > 0 ? static_cast<double>(large) / static_cast<double>(small) : 0.0);
    } else {
        long rss = 0;
        ok = bench_once(s, s.snps, s.samples, rss);
    }
    if (made_dir && !s.keep) rmdir(s.workdir.c_str());
    else std::printf("files kept in:      %s\n", s.workdir.c_str());
    return ok ? 0 : 1;
}
