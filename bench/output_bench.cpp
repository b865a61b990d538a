// tamsel_output_bench -- the CPU each output form costs next to plain
// `tamsel -c -p`, and the bytes per genotype of the BCF, on a simulated input.
//
// CPU is user + system time of the child (wait4), which stays meaningful on a
// busy machine where wall time does not. Each form runs --repeat times and its
// smallest CPU time counts. With --before OLD each form runs on OLD and then on
// the program, side by side under the same load; a form a program does not know
// is reported as such. It prints figures only.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

const char* const WHO = "tamsel_output_bench";

long file_size(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

struct form {
    const char* name;
    std::vector<std::string> args;  // after -i IN -o OUT -c -p; "@" is replaced by the work folder
    const char* bcf;                // the BCF whose size is reported, or null
};

struct settings {
    std::string program = TAMSEL_BENCH_PROGRAM, simulate = TAMSEL_BENCH_SIMULATE, before, workdir;
    long snps = 300, samples = 5000;
    int threads = 2, repeat = 2;
    bool keep = false;
};

// The smallest CPU time of REPEAT runs; negative when a run failed.
double cpu_of(const settings& s, const std::string& program, const std::string& in, const form& f)
{
    double best = -1;
    for (int k = 0; k < s.repeat; ++k) {
        std::vector<std::string> argv = {program, "-i", in, "-o", s.workdir + "/out", "-c", "-p", "--quiet",
                                         "--threads", std::to_string(s.threads)};
        for (std::string a : f.args) {
            if (a[0] == '@') a = s.workdir + a.substr(1);
            argv.push_back(a);
        }
        const child_result r = run_child(WHO, argv, s.workdir + "/run.log", true);
        if (!r.ok) return -1;
        const double cpu = r.user + r.sys;
        best = best < 0 ? cpu : std::min(best, cpu);
    }
    return best;
}

int usage(FILE* f, int status)
{
    std::fputs("Usage: tamsel_output_bench [--tamsel PATH] [--before OLD] [--simulate PATH] [--workdir DIR]\n"
               "                           [--threads N] [--repeat N] [--keep] [SNPS [INDIVIDUALS]]\n"
               "  CPU of each output form against `tamsel -c -p`, and the BCF's bytes per genotype,\n"
               "  on a simulated input [300 x 5000, --threads 2, --repeat 2].\n"
               "Example: tamsel_output_bench --before /tmp/old/build/tamsel 300 5000\n",
               f);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    settings s;
    std::vector<long> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        long n = 0;
        if (a == "-h" || a == "--help") return usage(stdout, 0);
        if (a == "--tamsel" && has_value) s.program = argv[++i];
        else if (a == "--before" && has_value) s.before = argv[++i];
        else if (a == "--simulate" && has_value) s.simulate = argv[++i];
        else if (a == "--workdir" && has_value) s.workdir = argv[++i];
        else if (a == "--threads" && has_value && parse_count(argv[i + 1], n)) s.threads = static_cast<int>(n), ++i;
        else if (a == "--repeat" && has_value && parse_count(argv[i + 1], n)) s.repeat = static_cast<int>(n), ++i;
        else if (a == "--keep") s.keep = true;
        else if (parse_count(argv[i], n) && counts.size() < 2) counts.push_back(n);
        else return usage(stderr, 1);
    }
    if (!counts.empty()) s.snps = counts[0];
    if (counts.size() > 1) s.samples = counts[1];
    // An empty --before is the one path that may be missing.
    if (!all_executable(WHO, {&s.program, &s.simulate}) || (!s.before.empty() && !all_executable(WHO, {&s.before})))
        return 1;
    bool made_dir;
    if (!ensure_work_dir(WHO, s.workdir, made_dir)) return 1;
    const std::string in = s.workdir + "/sim";
    if (!run_child(WHO,
                   {s.simulate, "--snps", std::to_string(s.snps), "--samples", std::to_string(s.samples), "--seed",
                    "2024", "--out", in},
                   in + ".log", true)
             .ok)
        return 1;
    const double genotypes = static_cast<double>(s.snps) * static_cast<double>(s.samples);
    std::printf("program:  %s\n", s.program.c_str());
    if (!s.before.empty()) std::printf("before:   %s (the row above each of the program's)\n", s.before.c_str());
    std::printf("input:    %ld SNPs x %ld individuals, --threads %d, smallest CPU (user + sys) of %d runs\n",
                s.snps, s.samples, s.threads, s.repeat);
    const std::vector<form> forms = {
        {"-c -p (plain)", {}, nullptr},
        {"--bgzip", {"--bgzip"}, nullptr},
        {"--bgzip --compress-level 1", {"--bgzip", "--compress-level", "1"}, nullptr},
        {"--vcf x.vcf.gz", {"--vcf", "@/x.vcf.gz"}, nullptr},
        {"--vcf x.bcf", {"--vcf", "@/x.bcf"}, "/x.bcf"},
        {"--vcf x.bcf --bgzip", {"--vcf", "@/x.bcf", "--bgzip"}, "/x.bcf"},
        {"--vcf x.bcf --bgzip --compress-level 1", {"--vcf", "@/x.bcf", "--bgzip", "--compress-level", "1"}, "/x.bcf"},
        {"--vcf x.bcf --compress-level 9", {"--vcf", "@/x.bcf", "--compress-level", "9"}, "/x.bcf"},
        {"--vcf x.bcf --vcf-fields GT,GP", {"--vcf", "@/x.bcf", "--vcf-fields", "GT,GP"}, "/x.bcf"},
        {"--plink p", {"--plink", "@/p"}, nullptr},
    };
    std::vector<std::string> programs = {s.program};
    if (!s.before.empty()) programs.insert(programs.begin(), s.before);
    std::vector<double> plain(programs.size(), 0);
    bool ok = true;
    for (const form& f : forms)
        for (size_t k = 0; k < programs.size(); ++k) {
            const char* who = programs.size() == 1 ? "" : k == 0 ? "before " : "after  ";
            const double cpu = cpu_of(s, programs[k], in + ".int", f);
            if (cpu < 0) {
                std::printf("%s%-40s not run (the program refused it)\n", who, f.name);
                ok = ok && &f != &forms[0];
                continue;
            }
            if (&f == &forms[0]) plain[k] = cpu;
            std::printf("%s%-40s CPU %7.3f s  %5.3fx plain", who, f.name, cpu, plain[k] > 0 ? cpu / plain[k] : 0.0);
            if (f.bcf)
                std::printf("  BCF %5.2f bytes per genotype",
                            static_cast<double>(file_size(s.workdir + f.bcf)) / genotypes);
            std::printf("\n");
            std::fflush(stdout);
        }
    std::printf("goals: --vcf x.bcf --bgzip at most 1.25x plain; the BCF with every tag at most 9 bytes per genotype\n");
    if (!s.keep)
        std::system(("rm -rf '" + s.workdir + "'/out* '" + s.workdir + "'/x.* '" + s.workdir + "'/p.* '" +
                     s.workdir + "'/sim.* '" + s.workdir + "'/run.log")
                        .c_str());
    if (made_dir && !s.keep) rmdir(s.workdir.c_str());
    else std::printf("files kept in: %s\n", s.workdir.c_str());
    return ok ? 0 : 1;
}
