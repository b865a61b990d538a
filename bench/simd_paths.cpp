// tamsel_simd_paths -- runs `tamsel -i INPUT -o OUT [OPTIONS]` in this process
// once per exp/log path (scalar, avx2, avx512, where the machine proves them),
// prints each run's CPU time and individual-SNPs per CPU second, and checks
// that every output file is byte for byte the scalar path's.
// Exit status 1 when a path's output differs or a run fails.
#include <sys/resource.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "options.h"
#include "run.h"
#include "ranlib.h"
#include "simd.h"
#include "simd_check.h"

namespace {

double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// SNP rows and individuals of an input file (header: three names, then A and B per individual).
void shape(const std::string& path, long& snps, long& individuals)
{
    std::ifstream f(path);
    std::string line, w;
    std::getline(f, line);
    std::istringstream h(line);
    long fields = 0;
    while (h >> w) ++fields;
    individuals = (fields - 3) / 2;
    snps = 0;
    while (std::getline(f, line)) snps += !line.empty();
}

// One whole run with the current path; the progress lines go to /dev/null.
int run(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    options o;
    std::string msg = read_options(static_cast<int>(argv.size()), argv.data(), o);
    if (msg.empty()) msg = check_options(o);
    if (!msg.empty()) {
        std::fprintf(stderr, "tamsel_simd_paths: %s\n", msg.c_str());
        return 1;
    }
    // The random stream of a fresh process, as -a needs for the same output.
    long one = 1;
    gscgn(1L, &one);
    setall(1234567890L, 123456789L);
    std::fflush(stdout);
    const int saved = dup(1), null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    const int status = run_tamsel(o, "tamsel");
    std::fflush(stdout);
    dup2(saved, 1);
    close(null);
    close(saved);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("Usage: tamsel_simd_paths INPUT OUTDIR [tamsel options, e.g. -c -p]\n", stderr);
        return 1;
    }
    const std::string input = argv[1], outdir = argv[2];
    long snps, individuals;
    shape(input, snps, individuals);
    const char* files[] = {"_calls", "_probs", "_kmodelmu", "_contrastmu"};
    std::vector<std::string> reference;
    int status = 0;
    for (const char* path : {"scalar", "avx2", "avx512"}) {
        if (!tamsel_simd::select(path)) {
            std::printf("%-7s not proven on this machine\n", path);
            continue;
        }
        const std::string out = outdir + "/" + path;
        std::vector<std::string> args = {"tamsel", "-i", input, "-o", out};
        for (int i = 3; i < argc; ++i) args.push_back(argv[i]);
        const double t0 = cpu_seconds();
        if (run(args) != 0) {
            std::printf("%-7s run failed\n", path);
            return 1;
        }
        const double t = cpu_seconds() - t0;
        bool same = true;
        for (int f = 0; f < 4; ++f) {
            const std::string text = slurp(out + files[f]);
            if (reference.size() < 4) reference.push_back(text);
            else if (text != reference[f]) same = false;
        }
        std::printf("%-7s %ld SNPs x %ld individuals: %.2f CPU s, %.0f individual-SNPs per CPU second, output %s\n",
                    path, snps, individuals, t, snps * individuals / t, same ? "identical" : "DIFFERENT");
        if (!same) status = 1;
    }
    return status;
}
