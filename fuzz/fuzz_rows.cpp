// fuzz_rows.cpp -- the line splitter, the row reader and the text reader on
// arbitrary bytes. Besides crashes and sanitizer reports it checks that
//   - split_chars gives the fields of a plain reading of its rule,
//   - intensity converts exactly as atof does ("NaN" aside),
//   - line_source gives back every byte of a plain input, line by line,
//   - a --strict read either stops with an error or reads the same rows.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data.h"
#include "row_split.h"
#include "fuzz_input.h"
#include "intensity_text.h"
#include "line_source.h"
#include "result.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// The fields of one line read plainly: the text up to its first NUL or line
// end, cut at runs of blanks. A first piece is no field when the line starts
// with a byte up to 13; an empty last piece is one only before a line end.
std::vector<std::string> expected_fields(const char* line)
{
    size_t n = 0;
    while (line[n] && line[n] != '\n' && line[n] != '\r') ++n;
    const bool line_end = line[n] != '\0';
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < n; ++i) {
        if (!blank(line[i])) {
            pieces.back() += line[i];
        } else if (i + 1 == n || !blank(line[i + 1])) {
            pieces.emplace_back();
        }
    }
    if (static_cast<unsigned char>(line[0]) <= 13) pieces.erase(pieces.begin());
    if (!line_end && n > 0 && blank(line[n - 1]) && !pieces.empty()) pieces.pop_back();
    return pieces;
}

bool same_number(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void check_line(const char* text, size_t len)
{
    std::vector<char> line(text, text + len);
    line.push_back('\0');
    const std::vector<std::string> want = expected_fields(line.data());
    std::vector<char*> fields;
    split_chars(line.data(), fields);
    if (fields.size() != want.size())
        fuzz::fail("split_chars gave " + std::to_string(fields.size()) + " fields, expected " +
                   std::to_string(want.size()));
    for (size_t k = 0; k < fields.size(); ++k) {
        if (fields[k] < line.data() || fields[k] >= line.data() + line.size())
            fuzz::fail("a field outside its line");
        if (want[k] != fields[k]) fuzz::fail("field " + std::to_string(k) + " differs");
        const double want_value = std::strcmp(fields[k], "NaN") == 0 ? MISSING_INTENSITY : std::atof(fields[k]);
        if (!same_number(intensity(fields[k]), want_value))
            fuzz::fail(std::string("intensity differs from atof for \"") + fields[k] + "\"");
    }
    std::vector<double> ab;
    const size_t pairs = read_pairs(fields, ab);
    size_t values = fields.size() > 3 ? fields.size() - 3 : 0;
    if (values % 2 == 1 && fields.back()[0] == '\0') --values;
    if (ab.size() != 2 * pairs || pairs != (values + 1) / 2) fuzz::fail("read_pairs miscounted the pairs");
}

// Every line of a plain input, line end included, and nothing else.
void check_lines(const std::string& path, const uint8_t* data, size_t size)
{
    const std::vector<std::string> want = fuzz::reference_lines(data, size);
    line_source in;
    if (!in.open(path)) fuzz::fail("cannot open the in-memory input");
    size_t k = 0;
    while (!in.at_end() && in.next()) {
        if (k >= want.size()) fuzz::fail("line_source read more lines than there are");
        if (want[k] != std::string(in.line(), in.length())) fuzz::fail("line " + std::to_string(k + 1) + " differs");
        if (in.line_no() != static_cast<long>(k + 1)) fuzz::fail("wrong line number");
        const char last = want[k].back();
        if (in.unterminated() != (last != '\n' && last != '\r')) fuzz::fail("wrong unterminated flag");
        ++k;
    }
    if (k != want.size()) fuzz::fail("line_source lost lines");
}

struct row {
    std::string id, position, allele;
    std::vector<double> ab;
    bool operator==(const row& o) const
    {
        if (id != o.id || position != o.position || allele != o.allele || ab.size() != o.ab.size()) return false;
        for (size_t i = 0; i < ab.size(); ++i)
            if (!same_number(ab[i], o.ab[i])) return false;
        return true;
    }
};

// The rows the text reader gives; false when it stopped with an error.
bool read_rows(const std::string& path, bool strict, std::vector<row>& rows)
{
    line_source in;
    if (!in.open(path)) fuzz::fail("cannot open the in-memory input");
    try {
        intensity_text reader(in, strict);
        if (!reader.read_header()) return true;
        row_job job;
        // Every third row only counted, as rows outside -s F L are.
        for (long n = 0; reader.next(job, n % 3 != 2); ++n) {
            if (n % 3 == 2) continue;
            if (job.ab.size() % 2 != 0) fuzz::fail("an odd number of values");
            rows.push_back({job.id, job.position, job.allele, job.ab});
        }
        reader.report();
    } catch (const input_error&) {
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One in-memory file for the whole process.
    static fuzz::memfile file;
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t start = 0, i = 0; i <= size; ++i)
        if (i == size || data[i] == '\n' || data[i] == '\r') {
            check_line(text + start, i < size ? i + 1 - start : i - start);
            start = i + 1;
        }

    file.write(data, size);
    const bool plain = !fuzz::compressed(data, size);
    if (plain) check_lines(file.path(), data, size);
    std::vector<row> lenient, strict;
    const bool lenient_ok = read_rows(file.path(), false, lenient);
    // Only damaged compressed data stop a lenient read.
    if (!lenient_ok && plain) fuzz::fail("a plain input stopped a lenient read");
    const bool strict_ok = read_rows(file.path(), true, strict);
    if (strict.size() > lenient.size() || (strict_ok && lenient_ok && strict.size() != lenient.size()))
        fuzz::fail("a strict read gave other rows");
    for (size_t k = 0; k < strict.size(); ++k)
        if (!(strict[k] == lenient[k])) fuzz::fail("a strict read gave other rows");
    return 0;
}
