// site.cpp -- reading positions and alleles for the VCF and PLINK writers.
#include "site.h"

#include <cctype>
#include <cstring>
#include <set>

namespace {

// Characters VCF 4.3 allows in a contig name; '*' and '=' not first.
bool contig_name_ok(const std::string& s)
{
    if (s.empty() || s[0] == '*' || s[0] == '=') return false;
    for (unsigned char c : s)
        if (c <= ' ' || c >= 127 || std::strchr("<>[]{}(),'\"`\\", c)) return false;
    return true;
}

bool bases_ok(const std::string& s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (!std::strchr("ACGTN", c)) return false;
    return true;
}

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

site_position parse_position(const std::string& text)
{
    site_position p;
    // Contig names may themselves hold ':', so the position follows the last one.
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) return p;
    std::string chrom = text.substr(0, colon), digits = text.substr(colon + 1);
    if (!contig_name_ok(chrom) || digits.size() > 10) return p;
    long pos = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return p;
        pos = pos * 10 + (c - '0');
    }
    if (pos < 1 || pos > 2147483646L) return p;
    p.ok = true;
    p.chrom = chrom;
    p.pos = pos;
    return p;
}

site_alleles parse_alleles(const std::string& text)
{
    site_alleles r;
    std::string s = text;
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    size_t slash = s.find('/');
    if (slash != std::string::npos) {
        if (s.find('/', slash + 1) != std::string::npos) return r;
        r.a = upper(s.substr(0, slash));
        r.b = upper(s.substr(slash + 1));
    } else if (s.size() == 2) {
        r.a = upper(s.substr(0, 1));
        r.b = upper(s.substr(1, 1));
    } else {
        return r;
    }
    r.ok = bases_ok(r.a) && bases_ok(r.b) && r.a != r.b;
    if (!r.ok) r.a.clear(), r.b.clear();
    return r;
}

std::string plink_chromosome(const std::string& chrom)
{
    std::string c = chrom;
    if (c.size() > 3 && upper(c.substr(0, 3)) == "CHR") c = c.substr(3);
    c = upper(c);
    if (c == "X" || c == "Y" || c == "XY" || c == "MT") return c;
    if (c == "M") return "MT";
    if (c.empty() || c.size() > 2 || c[0] == '0') return "";
    for (char d : c)
        if (d < '0' || d > '9') return "";
    int n = std::stoi(c);
    return n >= 1 && n <= 26 ? c : "";
}

std::string sample_names_problem(const std::vector<std::string>& samples)
{
    std::set<std::string> seen;
    for (const std::string& s : samples)
        if (s.empty() || !seen.insert(s).second)
            return "sample name '" + s + "' is " + (s.empty() ? "empty" : "used twice");
    return "";
}

copy_case copies_of(const run_info& run, chrom c, int i)
{
    if (i < 0 || i >= static_cast<int>(run.gender.size())) return TWO_COPIES;
    return copies(c, run.gender[static_cast<size_t>(i)]);
}

chrom chromosome_of_position(const std::string& position)
{
    const size_t colon = position.rfind(':');
    std::string c = upper(colon == std::string::npos ? position : position.substr(0, colon));
    if (c.size() > 3 && c.compare(0, 3, "CHR") == 0) c = c.substr(3);
    if (c == "X" || c == "23") return chrom::X;
    if (c == "Y" || c == "24") return chrom::Y;
    if (c == "MT" || c == "M" || c == "26") return chrom::MT;
    return chrom::none;
}
