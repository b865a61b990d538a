// fuzz_import.cpp -- tamsel-import's readers on arbitrary bytes: the same
// input as a report (Final Report in any order, Full Data Table, Axiom
// summary) and as a map. Each either converts or stops with import_error;
// a converted file holds the header line and one line per SNP.
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "axiom_summary.h"
#include "final_report.h"
#include "full_table.h"
#include "fuzz_input.h"
#include "import_error.h"
#include "scattered.h"

namespace {

std::string out_path()
{
    const char* dir = std::getenv("TAMSEL_FUZZ_OUT");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_import." + std::to_string(getpid()) + ".int";
}

long lines_of(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    long n = 0;
    for (int c; (c = std::fgetc(f)) != EOF;) n += c == '\n';
    std::fclose(f);
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fuzz::memfile file;
    static const std::string out = out_path();
    file.write(data, size);
    try {
        report_source in(file.path());
        const report_columns cols = detect_layout(in);
        convert_options opt;
        opt.memory = 1 << 20;
        auto o = std::make_unique<row_output>(out, false);
        convert_stats st;
        try {
            st = cols.layout == report_layout::final_report ? convert_final_report(in, cols, opt, *o)
                 : cols.layout == report_layout::full_table ? convert_full_table(in, cols, opt, *o)
                                                            : convert_axiom_summary(in, cols, opt, *o);
        } catch (const order_break&) {
            // As tamsel-import does: read the report again, in no order.
            o = std::make_unique<row_output>(out, false);
            report_source again(file.path());
            const report_columns c = detect_layout(again);
            st = convert_scattered(again, c, opt, *o);
        }
        o->commit();
        if (lines_of(out) != st.snps + 1) fuzz::fail("the converted file does not hold one line per SNP");
    } catch (const import_error&) {
    }
    try {
        read_map(file.path());
    } catch (const import_error&) {
    }
    std::remove(out.c_str());
    return 0;
}
