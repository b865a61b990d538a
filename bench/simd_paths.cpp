// tamsel_simd_paths -- runs `tamsel -i INPUT -o OUT [OPTIONS]` in this process
// once per exp/log path (scalar, avx2, avx512, where the machine proves them),
// prints each run's CPU time and individual-SNPs per CPU second, and checks
// that every output file is byte for byte the scalar path's.
// Exit status 1 when a path's output differs or a run fails.
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "in_process.h"
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
        std::string msg;
        if (run_in_process(args, &msg) != 0) {
            std::printf("%-7s run failed %s\n", path, msg.c_str());
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
