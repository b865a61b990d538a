// tamsel_concordance -- compares a calls file with true or reference genotypes.
//
// Both files start with a header "SNP_id ...". A calls-layout file has the id
// columns "SNP_id chr.position allele", optionally "pert_score", then one
// code per sample; a truth file has "SNP_id" and one code per sample. Codes:
// 1 AA, 2 AB, 3 BB, 4 no call. In the reference, 4 means "nothing known" and
// the genotype is left out of every figure.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

struct failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& m) { throw failure{m}; }

void split_ws(const std::string& line, std::vector<std::string_view>& out)
{
    out.clear();
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r')) ++p;
        const char* q = p;
        while (q < end && *q != ' ' && *q != '\t' && *q != '\r') ++q;
        if (q > p) out.emplace_back(p, static_cast<size_t>(q - p));
        p = q;
    }
}

// Reads one genotype file: header checks on open, then row by row.
class geno_file {
public:
    explicit geno_file(const std::string& path) : path_(path), in_(path)
    {
        if (!in_) fail("cannot open " + path + ": " + std::strerror(errno));
        std::string line;
        if (!std::getline(in_, line)) fail(path + " is empty or unreadable");
        line_no_ = 1;
        split_ws(line, fields_);
        if (fields_.empty() || fields_[0] != "SNP_id")
            fail(path + " line 1: header must start with SNP_id (not a calls or truth file)");
        calls_layout_ = fields_.size() >= 3 && fields_[1] == "chr.position" && fields_[2] == "allele";
        id_cols_ = calls_layout_ ? 3 : 1;
        pert_ = calls_layout_ && fields_.size() > 3 && fields_[3] == "pert_score";
        if (pert_) ++id_cols_;
        for (size_t k = id_cols_; k < fields_.size(); ++k) names_.emplace_back(fields_[k]);
        if (names_.empty()) fail(path + " line 1: no sample names in the header");
    }

    // Next data row into id and codes; false at the end of the file. Blank lines are skipped.
    bool next(std::string& id, std::vector<unsigned char>& codes)
    {
        std::string line;
        for (;;) {
            if (!std::getline(in_, line)) {
                if (in_.bad()) fail(path_ + ": read error after line " + std::to_string(line_no_));
                return false;
            }
            ++line_no_;
            split_ws(line, fields_);
            if (!fields_.empty()) break;
        }
        if (fields_.size() != id_cols_ + names_.size())
            fail(where() + "expected " + std::to_string(id_cols_ + names_.size()) + " fields, found " +
                 std::to_string(fields_.size()));
        id.assign(fields_[0]);
        codes.resize(names_.size());
        for (size_t k = 0; k < names_.size(); ++k) {
            const std::string_view f = fields_[id_cols_ + k];
            if (f.size() != 1 || f[0] < '1' || f[0] > '4')
                fail(where() + "genotype code '" + std::string(f) + "' of sample " + names_[k] +
                     " is not 1, 2, 3 or 4");
            codes[k] = static_cast<unsigned char>(f[0] - '0');
        }
        return true;
    }

    std::string where() const { return path_ + " line " + std::to_string(line_no_) + ": "; }
    const std::string& path() const { return path_; }
    const std::vector<std::string>& names() const { return names_; }
    bool calls_layout() const { return calls_layout_; }
    bool pert() const { return pert_; }

private:
    std::string path_;
    std::ifstream in_;
    long line_no_ = 0;
    std::vector<std::string_view> fields_;
    std::vector<std::string> names_;
    bool calls_layout_ = false, pert_ = false;
    size_t id_cols_ = 1;
};

struct reference {
    std::vector<std::string> names;
    std::unordered_map<std::string, size_t> row_of;  // SNP id -> row
    std::vector<unsigned char> codes;                 // rows x samples
    size_t rows = 0;
    long duplicates = 0;
};

reference load_reference(geno_file& f)
{
    reference r;
    r.names = f.names();
    std::string id;
    std::vector<unsigned char> codes;
    while (f.next(id, codes)) {
        // A repeated id keeps its first row; the count is reported.
        if (!r.row_of.emplace(id, r.rows).second) {
            ++r.duplicates;
            continue;
        }
        r.codes.insert(r.codes.end(), codes.begin(), codes.end());
        ++r.rows;
    }
    return r;
}

// Column of the reference for each calls sample.
std::vector<size_t> match_samples(const std::vector<std::string>& calls, const std::vector<std::string>& ref,
                                  std::string& how)
{
    std::vector<size_t> col(calls.size());
    if (calls == ref) {
        for (size_t i = 0; i < col.size(); ++i) col[i] = i;
        how = "by position (names agree)";
        return col;
    }
    std::unordered_map<std::string, size_t> pos;
    bool unique = true;
    for (size_t j = 0; j < ref.size(); ++j) unique = pos.emplace(ref[j], j).second && unique;
    bool all_named = unique;
    for (size_t i = 0; i < calls.size() && all_named; ++i) {
        auto it = pos.find(calls[i]);
        if (it == pos.end()) all_named = false;
        else col[i] = it->second;
    }
    if (all_named) {
        how = "by name";
        return col;
    }
    if (calls.size() != ref.size())
        fail("the calls have " + std::to_string(calls.size()) + " samples and the reference " +
             std::to_string(ref.size()) + ", and their names do not match");
    for (size_t i = 0; i < col.size(); ++i) col[i] = i;
    how = "by position (names differ)";
    return col;
}

std::vector<int> read_gender(const std::string& path, size_t want)
{
    std::ifstream in(path);
    if (!in) fail("cannot open " + path + ": " + std::strerror(errno));
    std::vector<int> g;
    std::string line;
    for (long n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;
        char* end;
        const long v = std::strtol(line.c_str(), &end, 10);
        if (end == line.c_str() || (*end && *end != ' ' && *end != '\t'))
            fail(path + " line " + std::to_string(n) + ": '" + line + "' is not an integer gender code");
        g.push_back(static_cast<int>(v));
    }
    if (g.size() < want)
        fail(path + " has " + std::to_string(g.size()) + " gender codes for " + std::to_string(want) + " samples");
    return g;
}

double percent(long a, long b) { return b > 0 ? 100.0 * static_cast<double>(a) / static_cast<double>(b) : 0.0; }

void usage(FILE* f)
{
    std::fputs("Usage: tamsel_concordance [--gender FILE] CALLS REFERENCE\n"
               "  CALLS      calls file (SNP_id chr.position allele [pert_score] S1 S2 ...)\n"
               "  REFERENCE  truth file (SNP_id S1 S2 ...) or a reference calls file (code 4 = skip)\n"
               "  --gender   gender file: counts heterozygous calls of gender-code-1 samples\n"
               "Rows are matched by SNP id, samples by position or, where the names match, by name.\n"
               "Example: tamsel_concordance out_calls examples/sim_auto.truth\n",
               f);
}

int run(int argc, char** argv)
{
    std::string gender_path;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        }
        if (a == "--gender" || a == "-g") {
            if (i + 1 >= argc) fail(a + " needs a file name");
            gender_path = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            fail("unknown option " + a);
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        usage(stderr);
        return 1;
    }

    geno_file ref_file(files[1]);
    const reference ref = load_reference(ref_file);
    geno_file calls(files[0]);
    std::string how;
    const std::vector<size_t> col = match_samples(calls.names(), ref.names, how);
    const size_t n = calls.names().size();
    std::vector<int> gender;
    if (!gender_path.empty()) gender = read_gender(gender_path, n);

    // confusion[reference 0..2][call 0..3]
    long confusion[3][4] = {};
    long snps = 0, matched = 0, male_calls = 0, male_hets = 0;
    std::string id;
    std::vector<unsigned char> codes;
    while (calls.next(id, codes)) {
        ++snps;
        for (size_t i = 0; i < gender.size() && i < n; ++i) {
            if (gender[i] != 1 || codes[i] == 4) continue;
            ++male_calls;
            if (codes[i] == 2) ++male_hets;
        }
        auto it = ref.row_of.find(id);
        if (it == ref.row_of.end()) continue;
        ++matched;
        const unsigned char* r = &ref.codes[it->second * ref.names.size()];
        for (size_t i = 0; i < n; ++i) {
            if (r[col[i]] == 4) continue;
            ++confusion[r[col[i]] - 1][codes[i] - 1];
        }
    }
    if (snps == 0) fail(calls.path() + " has no SNP rows");
    if (matched == 0) fail("no SNP of " + calls.path() + " is in " + ref_file.path());

    long compared = 0, called = 0, concordant = 0;
    for (int t = 0; t < 3; ++t) {
        for (int c = 0; c < 4; ++c) compared += confusion[t][c];
        for (int c = 0; c < 3; ++c) called += confusion[t][c];
        concordant += confusion[t][t];
    }
    std::printf("calls:              %s (%ld SNPs, %zu samples%s)\n", calls.path().c_str(), snps, n,
                calls.pert() ? ", pert_score column" : "");
    std::printf("reference:          %s (%s, %zu SNPs, %zu samples)\n", ref_file.path().c_str(),
                ref_file.calls_layout() ? "calls layout" : "truth", ref.rows, ref.names.size());
    if (ref.duplicates > 0) std::printf("reference duplicate SNP ids ignored: %ld\n", ref.duplicates);
    std::printf("SNPs matched:       %ld (%ld without reference)\n", matched, snps - matched);
    std::printf("samples matched:    %zu %s\n", n, how.c_str());
    std::printf("genotypes compared: %ld\n", compared);
    std::printf("called:             %ld\n", called);
    std::printf("call rate %%:        %.2f\n", percent(called, compared));
    std::printf("concordant:         %ld\n", concordant);
    std::printf("concordance %%:      %.2f of called\n", percent(concordant, called));
    std::printf("confusion (rows reference, columns call):\n");
    std::printf("%4s %10s %10s %10s %10s\n", "", "AA", "AB", "BB", "no_call");
    const char* label[] = {"AA", "AB", "BB"};
    for (int t = 0; t < 3; ++t)
        std::printf("%4s %10ld %10ld %10ld %10ld\n", label[t], confusion[t][0], confusion[t][1], confusion[t][2],
                    confusion[t][3]);
    if (!gender_path.empty())
        std::printf("heterozygous calls of gender-1 samples: %ld of %ld calls\n", male_hets, male_calls);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const failure& f) {
        std::fprintf(stderr, "tamsel_concordance: %s\n", f.message.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamsel_concordance: %s\n", e.what());
    }
    return 1;
}
