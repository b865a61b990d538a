// tamsel_simulate -- writes a two-channel SNP-array intensity file whose true
// genotypes are known, plus the truth (and, for X, the gender file).
//
// The data are meant to look like an array export: cluster centres and
// spreads change from SNP to SNP, many SNPs are rare or monomorphic, a few are
// difficult (noisy, collapsed, weak, shifted heterozygote, failed), some
// samples are poor, a few pairs are unmeasured, and males are dimmer on X.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "simulate_report.h"

namespace {

// splitmix64 with a polar normal: no library generator, so a seed gives the
// same file with every compiler and standard library.
class rng {
public:
    explicit rng(uint64_t seed) : s_(seed) {}
    uint64_t next()
    {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double unif() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double unif(double a, double b) { return a + (b - a) * unif(); }
    bool chance(double p) { return unif() < p; }
    // Marsaglia's polar form needs only sqrt and log, not sin and cos.
    double norm()
    {
        if (have_spare_) {
            have_spare_ = false;
            return spare_;
        }
        double u, v, s;
        do {
            u = 2.0 * unif() - 1.0;
            v = 2.0 * unif() - 1.0;
            s = u * u + v * v;
        } while (s >= 1.0 || s == 0.0);
        const double f = std::sqrt(-2.0 * std::log(s) / s);
        spare_ = v * f;
        have_spare_ = true;
        return u * f;
    }
    double norm(double mean, double sd) { return mean + sd * norm(); }

private:
    uint64_t s_;
    double spare_ = 0.0;
    bool have_spare_ = false;
};

uint64_t mix(uint64_t a, uint64_t b)
{
    rng r(a * 0x2545F4914F6CDD1DULL ^ (b + 0x632BE59BD9B4E019ULL));
    r.next();
    return r.next();
}

struct options {
    long snps = 1000;
    long samples = 1000;
    uint64_t seed = 1;
    std::string chrom = "1";
    double missing = 0.0015;
    std::string out = "sim";
    std::string layout = "text";
    long panel = 0;  // --inbred-panel N: 8 inbred strains, N replicates each, N of each F1
};

// The inbred panel: strain k's replicates, then the F1 of strains k and k + 1.
constexpr int PANEL_STRAINS = 8;

struct sample {
    std::string name;
    double log_scale;   // overall brightness of the sample
    double noise;       // multiplies every cluster spread
    double background;  // typical background level per channel
    double missing;     // chance that a pair is unmeasured
    bool male;
};

enum snp_class { good, noisy, collapsed, lowint, hetshift, failed };

struct snp {
    double p_b;
    snp_class klass;
    double mu[3], csd[3], smean[3], ssd[3], tilt[3];
    double background;
};

void usage(FILE* f)
{
    const options d;
    std::fprintf(f,
                 "Usage: tamsel_simulate [options]\n"
                 "  --snps N       number of SNPs [%ld]\n"
                 "  --samples N    number of individuals [%ld]\n"
                 "  --seed S       random seed; the same seed gives the same files [%llu]\n"
                 "  --chrom C      chromosome name; X also writes PREFIX.gender [%s]\n"
                 "  --missing R    chance of an unmeasured (NaN NaN) pair [%g]\n"
                 "  --out PREFIX   writes PREFIX.int and PREFIX.truth [%s]\n"
                 "  --layout L     text, or also PREFIX.report as a finalreport (long layout)\n"
                 "  --inbred-panel N  8 inbred strains with N replicates each and N F1 of each\n"
                 "                 pair of neighbouring strains (--samples ignored); writes\n"
                 "                 PREFIX.inbred, the inbred samples' names\n"
                 "                 or fulltable with the same intensities [text]\n"
                 "Example: tamsel_simulate --snps 300 --samples 200 --seed 7 --out sim_auto\n",
                 d.snps, d.samples, static_cast<unsigned long long>(d.seed), d.chrom.c_str(),
                 d.missing, d.out.c_str());
}

bool parse_long(const char* s, long lo, long hi, long& v)
{
    char* end;
    errno = 0;
    const long x = std::strtol(s, &end, 10);
    if (errno || end == s || *end || x < lo || x > hi) return false;
    v = x;
    return true;
}

bool parse_options(int argc, char** argv, options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            usage(stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "tamsel_simulate: %s needs a value\n", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        long n = 0;
        if (a == "--snps" && parse_long(v, 0, 100000000, n)) {
            o.snps = n;
        } else if (a == "--samples" && parse_long(v, 1, 10000000, n)) {
            o.samples = n;
        } else if (a == "--seed" && parse_long(v, 0, 0x7fffffffffffffffL, n)) {
            o.seed = static_cast<uint64_t>(n);
        } else if (a == "--chrom" && *v && !std::strpbrk(v, " \t:")) {
            o.chrom = v;
        } else if (a == "--missing") {
            char* end;
            const double r = std::strtod(v, &end);
            if (end == v || *end || !(r >= 0.0 && r <= 1.0)) {
                std::fprintf(stderr, "tamsel_simulate: --missing wants a rate in [0, 1], not '%s'\n", v);
                return false;
            }
            o.missing = r;
        } else if (a == "--layout" && (!std::strcmp(v, "text") || !std::strcmp(v, "finalreport") ||
                                          !std::strcmp(v, "fulltable"))) {
            o.layout = v;
        } else if (a == "--inbred-panel" && parse_long(v, 1, 100000, n)) {
            o.panel = n;
        } else if (a == "--out" && *v) {
            o.out = v;
        } else {
            std::fprintf(stderr, "tamsel_simulate: bad option or value: %s %s\n", a.c_str(), v);
            return false;
        }
    }
    return true;
}

std::vector<sample> make_samples(const options& o, rng& r)
{
    const char rows[] = "ABCDEFGH";
    std::vector<sample> v(static_cast<size_t>(o.samples));
    for (long i = 0; i < o.samples; ++i) {
        sample& s = v[static_cast<size_t>(i)];
        const long well = i % 96;
        char name[40];
        std::snprintf(name, sizeof name, "PL%02ld_%c%02ld", i / 96 + 1, rows[well % 8], well / 8 + 1);
        s.name = name;
        s.log_scale = r.norm(0.0, 0.2);
        s.noise = r.unif(0.85, 1.2);
        s.background = r.unif(0.01, 0.04);
        s.missing = o.missing;
        s.male = o.chrom == "X" && r.chance(0.5);
    }
    // About 3% poor samples, at least one in any set big enough to show them.
    long n_low = o.samples >= 10 ? std::max(1L, std::lround(0.03 * static_cast<double>(o.samples))) : 0;
    for (long k = 0; k < n_low * 4 && n_low > 0; ++k) {
        sample& s = v[r.next() % v.size()];
        if (s.noise > 2.0) continue;
        s.log_scale = std::log(r.unif(0.28, 0.6));
        s.noise = r.unif(2.0, 3.0);
        s.background = r.unif(0.06, 0.12);
        s.missing = std::min(1.0, o.missing * 8.0);
        --n_low;
    }
    return v;
}

snp make_snp(rng& r)
{
    snp s;
    // Minor-allele frequencies lean towards rare, and some SNPs do not vary at all.
    const double maf = r.chance(0.035) ? 0.0 : 0.5 * std::pow(r.unif(), 1.6);
    s.p_b = r.chance(0.5) ? maf : 1.0 - maf;
    const double u = r.unif();
    s.klass = u < 0.86 ? good : u < 0.91 ? noisy : u < 0.94 ? collapsed : u < 0.97 ? lowint
                                                                  : u < 0.997 ? hetshift : failed;
    s.mu[0] = -r.unif(0.8, 0.95);
    s.mu[1] = std::max(-0.2, std::min(0.2, r.norm(0.0, 0.08)));
    s.mu[2] = r.unif(0.8, 0.95);
    const double base = r.norm(0.65, 0.35);
    for (int g = 0; g < 3; ++g) {
        s.csd[g] = g == 1 ? r.unif(0.04, 0.08) : r.unif(0.02, 0.045);
        s.smean[g] = base + r.norm(0.0, 0.12);
        s.ssd[g] = r.unif(0.14, 0.24);
        s.tilt[g] = r.norm(0.0, 0.04);
    }
    s.background = 1.0;
    if (s.klass == noisy) {
        for (int g = 0; g < 3; ++g) s.csd[g] *= r.unif(2.5, 4.0), s.ssd[g] *= 1.5;
    } else if (s.klass == collapsed) {
        const double f = r.unif(0.35, 0.55);
        for (double& m : s.mu) m *= f;
    } else if (s.klass == lowint) {
        const double drop = r.unif(1.3, 1.9);
        for (double& m : s.smean) m -= drop;
        s.background = 3.0;
    } else if (s.klass == hetshift) {
        s.mu[1] = (r.chance(0.5) ? -1.0 : 1.0) * r.unif(0.45, 0.65);
    }
    return s;
}

// Genotype code 1 AA, 2 AB, 3 BB; a single X copy is never heterozygous.
int draw_genotype(const snp& s, bool single_copy, rng& r)
{
    const bool b1 = r.chance(s.p_b);
    if (single_copy) return b1 ? 3 : 1;
    return 1 + static_cast<int>(b1) + static_cast<int>(r.chance(s.p_b));
}

// Three significant digits and at most three decimals, never zero.
void put_intensity(std::string& out, double v)
{
    v = std::min(v, 999.0);
    int d = v < 0.9995 ? 3 : v < 9.995 ? 2 : v < 99.95 ? 1 : 0;
    const double scale[] = {1.0, 10.0, 100.0, 1000.0};
    long long m = std::llround(v * scale[d]);
    if (m < 1) m = 1;
    char digits[24];
    int n = 0;
    for (; m > 0 || n <= d; m /= 10) digits[n++] = static_cast<char>('0' + m % 10);
    while (n > 0) {
        out += digits[--n];
        if (n == d && d > 0) out += '.';
    }
}

struct pair_ab {
    double a, b;
};

pair_ab draw_pair(const snp& s, const sample& smp, int g, bool dim, rng& r)
{
    const int k = g - 1;
    const double ds = r.norm(0.0, s.ssd[k] * std::sqrt(smp.noise));
    const double strength = s.smean[k] + smp.log_scale + (dim ? -0.35 : 0.0) + ds;
    double c = s.mu[k] + s.tilt[k] * ds + r.norm(0.0, s.csd[k] * smp.noise);
    c = std::max(-0.995, std::min(0.995, c));
    const double t = std::exp(strength);
    const double bg = smp.background * s.background;
    // Background lifts both channels, which bends weak homozygotes towards the middle.
    const double a = t * (1.0 - c) / 2.0 + bg * std::exp(r.norm(0.0, 0.5));
    const double b = t * (1.0 + c) / 2.0 + bg * std::exp(r.norm(0.0, 0.5));
    return {a, b};
}

FILE* open_out(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) std::fprintf(stderr, "tamsel_simulate: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return f;
}

bool put(FILE* f, const std::string& s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

}  // namespace

int main(int argc, char** argv)
{
    options o;
    if (!parse_options(argc, argv, o)) {
        usage(stderr);
        return 1;
    }
    const bool x = o.chrom == "X";
    if (o.panel > 0) o.samples = 2 * PANEL_STRAINS * o.panel;
    rng sample_rng(mix(o.seed, 0xA11CE));
    std::vector<sample> samples = make_samples(o, sample_rng);
    // Panel sample i: parents strain_a[i] and strain_b[i], equal for an inbred one.
    std::vector<int> strain_a, strain_b;
    if (o.panel > 0) {
        FILE* fi = open_out(o.out + ".inbred");
        if (!fi) return 1;
        bool wrote = true;
        for (size_t i = 0; i < samples.size(); ++i) {
            const long k = static_cast<long>(i) / o.panel, rep = static_cast<long>(i) % o.panel + 1;
            const int a = static_cast<int>(k % PANEL_STRAINS);
            const int b = k < PANEL_STRAINS ? a : (a + 1) % PANEL_STRAINS;
            strain_a.push_back(a);
            strain_b.push_back(b);
            char name[40];
            if (a == b) std::snprintf(name, sizeof name, "S%d_r%ld", a + 1, rep);
            else std::snprintf(name, sizeof name, "F1_S%dxS%d_r%ld", a + 1, b + 1, rep);
            samples[i].name = name;
            if (a == b) wrote = wrote && std::fprintf(fi, "%s\n", name) > 0;
        }
        if (std::fclose(fi) != 0 || !wrote) return 1;
    }

    FILE* fint = open_out(o.out + ".int");
    FILE* ftruth = fint ? open_out(o.out + ".truth") : nullptr;
    if (!fint || !ftruth) return 1;
    bool ok = true;
    if (x) {
        FILE* fg = open_out(o.out + ".gender");
        if (!fg) return 1;
        for (const sample& s : samples) ok = ok && std::fputs(s.male ? "1\n" : "0\n", fg) >= 0;
        ok = std::fclose(fg) == 0 && ok;
    }

    std::string line = "SNP\tCoor\tAlleles", tline = "SNP_id";
    for (const sample& s : samples) {
        line += '\t' + s.name + ".A\t" + s.name + ".B";
        tline += ' ' + s.name;
    }
    ok = ok && put(fint, line + '\n') && put(ftruth, tline + '\n');

    // A report repeats the .int's intensities; the long layout needs every row first.
    FILE* frep = o.layout == "text" ? nullptr : open_out(o.out + ".report");
    if (o.layout != "text" && !frep) return 1;
    std::vector<std::string> names, rows;
    for (const sample& s : samples) names.push_back(s.name);
    if (o.layout == "fulltable") ok = ok && report::full_table_header(frep, names);

    // Each SNP has its own stream, so SNP k is the same whatever --snps is.
    const char* allele_texts[] = {"AG", "AG", "CT", "CT", "AC", "GT", "AT", "CG"};
    rng id_rng(mix(o.seed, 0x1D5));
    std::unordered_set<uint64_t> used_ids;
    long long pos = 100000 + static_cast<long long>(id_rng.next() % 400000);
    // A fixed mean spacing of 10 kb keeps SNP k's position independent of --snps too.
    const long long step = 20000;
    for (long j = 0; j < o.snps && ok; ++j) {
        uint64_t id;
        do id = 1000000 + id_rng.next() % 99000000; while (!used_ids.insert(id).second);
        pos += 1 + static_cast<long long>(id_rng.next() % static_cast<uint64_t>(step));
        rng r(mix(o.seed, static_cast<uint64_t>(j) + 1));
        const snp s = make_snp(r);
        const std::string rs = "rs" + std::to_string(id);
        line = rs + '\t' + o.chrom + ':' + std::to_string(pos) + '\t' + allele_texts[r.next() % 8];
        tline = rs;
        // Each strain is fixed for one allele; an F1 carries one of each parent.
        int strain_g[PANEL_STRAINS];
        if (o.panel > 0)
            for (int& g : strain_g) g = r.chance(s.p_b) ? 3 : 1;
        for (size_t i = 0; i < samples.size(); ++i) {
            const sample& smp = samples[i];
            const int g = o.panel > 0 ? (strain_g[strain_a[i]] + strain_g[strain_b[i]]) / 2
                                      : draw_genotype(s, x && smp.male, r);
            tline += ' ';
            tline += static_cast<char>('0' + g);
            if (s.klass == failed || r.chance(smp.missing)) {
                line += "\tNaN\tNaN";
                continue;
            }
            const pair_ab p = draw_pair(s, smp, g, x && smp.male, r);
            line += '\t';
            put_intensity(line, p.a);
            line += '\t';
            put_intensity(line, p.b);
        }
        line += '\n';
        tline += '\n';
        ok = put(fint, line) && put(ftruth, tline);
        if (o.layout == "fulltable") ok = ok && report::full_table_row(frep, j + 1, line);
        if (o.layout == "finalreport") rows.push_back(line);
    }
    if (o.layout == "finalreport") ok = ok && report::final_report(frep, rows, names);
    if (frep) ok = std::fclose(frep) == 0 && ok;
    ok = std::fclose(fint) == 0 && ok;
    ok = std::fclose(ftruth) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "tamsel_simulate: writing %s.* failed\n", o.out.c_str());
        return 1;
    }
    return 0;
}
