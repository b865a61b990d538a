// tamsel-import -- converts a Final Report (long layout) or a Full Data Table
// of an array vendor's software into tamsel's intensity layout.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "final_report.h"
#include "full_table.h"
#include "import_error.h"
#include "version.h"

namespace {

void usage(FILE* f)
{
    std::fputs("Usage: tamsel-import REPORT [-o OUT] [--raw] [--memory MB]\n"
               "  REPORT       a Final Report (long layout) or Full Data Table; plain, .gz or .zip\n"
               "  -o OUT       output file, BGZF-compressed when it ends in .gz [standard output]\n"
               "  --raw        take the X Raw / Y Raw columns instead of X / Y\n"
               "  --memory MB  memory for pivoting a Final Report; more goes through a temporary\n"
               "               file beside OUT (or in $TMPDIR) [256]\n"
               "  --help, --version\n",
               f);
}

struct arguments {
    std::string report, out;
    convert_options opt;
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
        } else if ((w == "-o" || w == "--memory") && i + 1 < argc) {
            const char* v = argv[++i];
            if (w == "-o") {
                a.out = v;
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
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    arguments a;
    if (!parse(argc, argv, a)) return 1;
    try {
        report_source in(a.report);
        const report_columns cols = detect_layout(in);
        text_output out(a.out);
        const bool long_layout = cols.layout == report_layout::final_report;
        const convert_stats st = long_layout ? convert_final_report(in, cols, a.opt, out)
                                             : convert_full_table(in, cols, a.opt, out);
        out.commit();
        if (st.not_numbers > 0)
            std::fprintf(stderr, "Warning : %llu intensities in %s were not numbers and are written NaN\n",
                         st.not_numbers, a.report.c_str());
        std::fprintf(stderr, "%ld SNPs x %ld samples from %s (%s)%s\n", st.snps, st.samples, a.report.c_str(),
                     long_layout ? "Final Report" : "Full Data Table",
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
