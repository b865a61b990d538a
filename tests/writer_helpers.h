// writer_helpers.h -- runs and SNP results made by hand for the VCF and PLINK
// writers, and the command-line tools that read their files back.
#ifndef TAMSEL_WRITER_HELPERS_H
#define TAMSEL_WRITER_HELPERS_H

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli_helpers.h"
#include "call_rules.h"
#include "result.h"

inline bool have_tool(const std::string& name)
{
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command; status in *status when given.
inline std::string shell(const std::string& cmd, int* status = nullptr)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int raw = pclose(p);
    if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// A genotype-count table of plink 1.9 (--freqx) or plink2 (--geno-counts):
// per SNP the chromosome and the six counts, in the file's column order.
struct count_row {
    std::string chrom;
    std::array<long, 6> n{};
};
inline std::vector<count_row> count_table(const std::string& path)
{
    std::vector<count_row> rows;
    std::istringstream in(slurp(path));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream row(line);
        for (std::string x; std::getline(row, x, '\t');) f.push_back(x);
        if (f.size() != 10) return {};
        count_row r;
        r.chrom = f[0];
        for (int j = 0; j < 6; ++j) r.n[j] = std::stol(f[4 + j]);
        rows.push_back(r);
    }
    return rows;
}

inline run_info make_run(int nind, chrom c = chrom::none, std::vector<int> gender = {})
{
    run_info run;
    run.nind = nind;
    for (int i = 1; i <= nind; ++i) run.samples.push_back("S_" + std::to_string(i));
    run.gender = std::move(gender);
    run.chromosome = c;
    run.input = "in.txt";
    run.command_line = "tamsel -i in.txt -o out --vcf calls.vcf";
    return run;
}

// A fitted SNP with the given calls; the called genotype gets posterior 0.9
// (AB's share 0 for a single copy), a no call 0.5 on the null cluster.
inline snp_result make_snp(long index, const std::string& position, const std::string& allele,
                           const std::vector<int>& calls)
{
    snp_result r;
    r.index = index;
    r.id = "rs" + std::to_string(100 + index);
    r.position = position;
    r.allele = allele;
    r.fitted = true;
    r.calls = calls;
    for (size_t i = 0; i < calls.size(); ++i) {
        double P[4] = {0.04, 0.03, 0.02, 0.01};
        if (calls[i] == 4) P[0] = 0.3, P[3] = 0.5, P[1] = 0.15, P[2] = 0.05;
        else P[calls[i] - 1] = 0.91;
        r.post.insert(r.post.end(), P, P + 4);
        r.contrast.push_back(calls[i] == 1 ? -0.812345 : calls[i] == 3 ? 0.7654321 : 0.0123456);
        r.strength.push_back(8.0 + 0.001 * static_cast<double>(i));
        r.usable.push_back(1);
    }
    r.mu = 0.61, r.mu_1 = 0.05, r.mu_2 = 0.8;
    r.kmodel = 2, r.run = 1, r.pos1 = 3, r.pos2 = 7;
    r.rangec[0] = -0.9, r.rangec[1] = 0, r.rangec[2] = 0.9;
    r.centre[0] = -0.8, r.centre[1] = 0.01, r.centre[2] = 0.77;
    for (int c : calls)
        if (c < 4) ++r.count[c - 1];
    r.hwe_p = 0.5;
    return r;
}

inline void write_all(result_writer& w, const run_info& run, const std::vector<snp_result>& snps)
{
    w.claim();
    w.begin(run);
    for (const snp_result& r : snps) w.write(r);
    w.finish();
}

#endif
