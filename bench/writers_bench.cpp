// tamsel_writers_bench -- time the VCF/BCF and PLINK writers take per
// individual-SNP, on synthetic results, next to the fit's own cost.
// Usage: tamsel_writers_bench [SNPS [INDIVIDUALS [FOLDER]]]; prints figures only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "plink_writer.h"
#include "vcf_writer.h"

namespace {

snp_result synthetic(long s, int n)
{
    snp_result r;
    r.index = s;
    r.id = "rs" + std::to_string(s);
    r.position = "7:" + std::to_string(1000 + s);
    r.allele = "[A/G]";
    r.fitted = true;
    unsigned seed = static_cast<unsigned>(s) * 2654435761u;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        int c = 1 + static_cast<int>((seed >> 16) % 4);
        double P[4] = {0.01, 0.02, 0.03, 0.04};
        P[c - 1] = 0.9;
        r.calls.push_back(c);
        r.post.insert(r.post.end(), P, P + 4);
        r.contrast.push_back(-0.7 + 0.35 * (c - 1) + 1e-4 * (seed >> 20));
        r.strength.push_back(8 + 1e-5 * (seed >> 8 & 0xfff));
        r.usable.push_back(1);
    }
    r.kmodel = 2, r.run = 1, r.pos1 = 1, r.pos2 = 7;
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    long snps = argc > 1 ? std::atol(argv[1]) : 2000;
    int n = argc > 2 ? std::atoi(argv[2]) : 1000;
    std::string dir = argc > 3 ? argv[3] : "/tmp/tamsel-writers-bench";
    mkdir(dir.c_str(), 0777);
    run_info run;
    run.nind = n;
    for (int i = 0; i < n; ++i) run.samples.push_back("S" + std::to_string(i));
    std::vector<snp_result> results;
    for (long s = 0; s < snps; ++s) results.push_back(synthetic(s, n));
    std::printf("%ld SNPs x %d individuals\n", snps, n);
    for (const char* name : {"b.vcf", "b.vcf.gz", "b.bcf", "plink"}) {
        std::string path = dir + "/" + name;
        auto w = std::string(name) == "plink" ? make_plink_writer(path) : make_vcf_writer(path);
        auto t0 = std::chrono::steady_clock::now();
        w->claim();
        w->begin(run);
        for (const snp_result& r : results) w->write(r);
        w->finish();
        double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        struct stat st;
        long bytes = stat((path + (std::string(name) == "plink" ? ".bed" : "")).c_str(), &st) == 0 ? st.st_size : -1;
        std::printf("%-9s %7.3f s  %6.0f ns per individual-SNP  %ld bytes\n", name, sec,
                    1e9 * sec / (static_cast<double>(snps) * n), bytes);
    }
    return 0;
}
