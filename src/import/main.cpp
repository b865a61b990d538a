// tamsel-import -- converts a Final Report (long layout, in sample blocks or
// SNP by SNP), a Full Data Table or an Axiom summary file into tamsel's
// intensity layout, with positions and alleles from a map when asked.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "axiom_summary.h"
#include "final_report.h"
#include "full_table.h"
#include "import_error.h"
#include "scattered.h"
#include "version.h"

namespace {

void usage(FILE* f)
{
    std::fputs("Usage: tamsel-import REPORT [-o OUT] [--raw] [--memory MB] [--map FILE] [--strict]\n"
               "                    [--split-chromosomes]\n"
               "  REPORT       a Final Report (sample by sample or SNP by SNP), a Full Data Table or\n"
               "               an Axiom summary file; plain, .gz or .zip\n"
               "  -o OUT       output file, BGZF-compressed when it ends in .gz [standard output]\n"
               "  --raw        take the X Raw / Y Raw columns instead of X / Y\n"
               "  --memory MB  memory for pivoting a Final Report; more goes through a temporary\n"
               "               file beside OUT (or in $TMPDIR) [256]\n"
               "  --map FILE   positions and forward-strand alleles from an Illumina manifest CSV,\n"
               "               a SNP map, an Axiom annotation CSV or a 'name chrom pos a b' table\n"
               "  --strict     a report holding fewer SNPs or samples than its header says is an error\n"
               "  --split-chromosomes  write OUT.auto.int.gz, OUT.X.int.gz, OUT.Y.int.gz and\n"
               "               OUT.MT.int.gz (groups without SNPs are not written)\n"
               "  --help, --version\n",
               f);
}

struct arguments {
    std::string report, out, map;
    convert_options opt;
    bool strict = false, split = false;
};

bool parse(int argc, char** argv, arguments& a)
{
    for (int i = 1; i < argc; ++i) {
        const std::string w = argv[i];
        if (w == "-h" || w == "--help") {
            usage(stdout);
            std::exit(0);
        } else if (w == "--version") {
            std::printf("tamsel-import %s\n", tamsel_version());
            std::exit(0);
        } else if (w == "--raw") {
            a.opt.raw = true;
        } else if (w == "--strict") {
            a.strict = true;
        } else if (w == "--split-chromosomes") {
            a.split = true;
        } else if ((w == "-o" || w == "--memory" || w == "--map") && i + 1 < argc) {
            const char* v = argv[++i];
            if (w == "-o" || w == "--map") {
                (w == "-o" ? a.out : a.map) = v;
                continue;
            }
            char* end;
            errno = 0;
            const unsigned long long mb = std::strtoull(v, &end, 10);
            if (errno || end == v || *end || mb < 1 || mb > (1ull << 24)) {
                std::fprintf(stderr, "Error : --memory wants a size in MB from 1 up, not '%s'\n", v);
                return false;
            }
            a.opt.memory = static_cast<size_t>(mb) << 20;
        } else if (w.size() > 1 && w[0] == '-') {
            std::fprintf(stderr, "Error : unknown option or missing value: %s\n", w.c_str());
            return false;
        } else if (a.report.empty()) {
            a.report = w;
        } else {
            std::fprintf(stderr, "Error : one report at a time (got %s and %s)\n", a.report.c_str(), w.c_str());
            return false;
        }
    }
    if (a.report.empty()) {
        usage(stderr);
        return false;
    }
    if (a.out == "-") a.out.clear();
    if (a.split && a.out.empty()) {
        std::fputs("Error : --split-chromosomes needs -o OUT (the prefix of the files)\n", stderr);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    arguments a;
    if (!parse(argc, argv, a)) return 1;
    try {
        snp_map map;
        if (!a.map.empty()) {
            map = read_map(a.map);
            a.opt.map = &map;
        }
        auto in = std::make_unique<report_source>(a.report);
        report_columns cols = detect_layout(*in);
        auto output = std::make_unique<row_output>(a.out, a.split);
        const bool long_layout = cols.layout == report_layout::final_report;
        convert_stats st;
        try {
            st = long_layout ? convert_final_report(*in, cols, a.opt, *output)
                 : cols.layout == report_layout::full_table ? convert_full_table(*in, cols, a.opt, *output)
                                                            : convert_axiom_summary(*in, cols, a.opt, *output);
        } catch (const order_break& e) {
            // Neither sample by sample nor SNP by SNP: read it again, sorting every pair into place.
            if (output->wrote_to_standard_output())
                throw import_error(std::string(e.what()) + "; the report is in no order, write it to a file with -o");
            output = std::make_unique<row_output>(a.out, a.split);
            in = std::make_unique<report_source>(a.report);
            cols = detect_layout(*in);
            st = convert_scattered(*in, cols, a.opt, *output);
        }
        row_output& out = *output;
        // A header announcing more than the data hold: the report was probably cut.
        for (int k = 0; k < 2; ++k) {
            const long said = k ? cols.header_samples : cols.header_snps, have = k ? st.samples : st.snps;
            if (said < 0 || have >= said) continue;
            const std::string msg = "the header announces " + std::to_string(said) + (k ? " samples" : " SNPs") +
                                    "; the data hold " + std::to_string(have) + ": the report may be cut";
            if (a.strict) throw import_error(a.report + ": " + msg);
            std::fprintf(stderr, "Warning : %s: %s\n", a.report.c_str(), msg.c_str());
        }
        out.commit();
        if (st.not_numbers > 0)
            std::fprintf(stderr, "Warning : %llu intensities in %s were not numbers and are written NaN\n",
                         st.not_numbers, a.report.c_str());
        if (st.missing_pairs > 0) {
            std::string names;
            for (const std::string& n : st.first_missing) names += (names.empty() ? "" : ", ") + n;
            std::fprintf(stderr, "Warning : %llu SNP x sample pairs are missing from %s and are written NaN (%s%s)\n",
                         st.missing_pairs, a.report.c_str(), names.c_str(), st.missing_pairs > st.first_missing.size() ? ", ..." : "");
        }
        if (st.unmapped > 0)
            std::fprintf(stderr, "Warning : %llu SNPs of %s are not in %s and keep the report's position and alleles\n",
                         st.unmapped, a.report.c_str(), a.map.c_str());
        if (st.unpaired > 0)
            std::fprintf(stderr, "Warning : %llu rows of %s without their -A or -B partner (copy-number, DQC probes) "
                                 "were skipped\n", st.unpaired, a.report.c_str());
        std::fprintf(stderr, "%ld SNPs x %ld samples from %s (%s%s%s) to %s%s\n", st.snps, st.samples, a.report.c_str(),
                     long_layout ? "Final Report" : cols.layout == report_layout::full_table ? "Full Data Table" : "Axiom summary",
                     *st.order ? ", " : "", st.order, out.names().c_str(),
                     st.spilled > 0 ? (", pivoted through " + std::to_string(st.spilled >> 20) + " MB of temporary file").c_str()
                                    : "");
    } catch (const import_error& e) {
        std::fprintf(stderr, "Error : %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Error : out of memory converting %s (try a smaller --memory)\n", a.report.c_str());
        return 1;
    }
    return 0;
}
