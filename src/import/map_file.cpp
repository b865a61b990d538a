// map_file.cpp -- the four map layouts, each found by its first lines.
#include "map_file.h"

#include "import_error.h"
#include "report_source.h"

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

char complement(char c)
{
    switch (c) {
    case 'A': return 'T';
    case 'T': return 'A';
    case 'C': return 'G';
    case 'G': return 'C';
    default: return c;  // I/D and other codes have no strand
    }
}

// Unknown fields ("---", "", "0" chromosome) fall back to 0 and [A/B].
std::string entry(std::string chr, std::string pos, std::string a, std::string b)
{
    if (chr.empty() || chr == "---") chr = "0";
    if (pos.empty() || pos == "---") pos = "0";
    if (a.empty() || b.empty() || a == "---" || b == "---") a = "A", b = "B";
    return chr + ":" + pos + " [" + a + "/" + b + "]";
}

class map_reader {
public:
    explicit map_reader(const std::string& path) : in_(path), path_(path) {}

    snp_map read()
    {
        std::string_view line;
        while (in_.next(line) && blank_line(line)) {
        }
        if (in_.line_no() == 0 || blank_line(line)) throw import_error(path_ + " is empty");
        if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (line.substr(0, 14) == "Illumina, Inc." || trim(line).substr(0, 9) == "[Heading]") return manifest();
        if (line.substr(0, 1) == "#") return annotation(line);
        const char sep = line.find('\t') != std::string_view::npos ? '\t' : line.find(',') != std::string_view::npos ? ',' : ' ';
        columns(line, sep);
        if (find("Index") >= 0 && find("Chromosome") >= 0 && find("Position") >= 0) return snp_map_txt(sep);
        if (find("name") >= 0 && find("chrom") >= 0 && find("pos") >= 0) return plain(sep);
        throw import_error(path_ + " line " + std::to_string(in_.line_no()) +
                           ": not a map (an Illumina manifest, a SNP map with Index/Name/Chromosome/Position, an "
                           "annotation CSV with '#%' lines, or a table with name chrom pos a b)");
    }

private:
    void columns(std::string_view line, char sep)
    {
        if (sep == ' ') {
            names_.clear();
            size_t i = 0;
            while (i < line.size()) {
                size_t j = line.find_first_of(" \t", i);
                if (j == std::string_view::npos) j = line.size();
                if (j > i) names_.emplace_back(line.substr(i, j - i));
                i = j + 1;
            }
        } else {
            split_quoted(line, sep, names_);
        }
        header_line_ = in_.line_no();
    }
    int find(const char* name) const
    {
        for (size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name) return static_cast<int>(i);
        return -1;
    }
    int need(const char* name) const
    {
        int i = find(name);
        if (i < 0)
            throw import_error(path_ + " line " + std::to_string(header_line_) + ": no '" + name + "' column");
        return i;
    }
    // The next data line's fields, as many as the column names; false at the end.
    bool fields(char sep, const char* stop = nullptr)
    {
        std::string_view line;
        while (in_.next(line)) {
            if (blank_line(line)) continue;
            if (stop && trim(line).substr(0, std::string_view(stop).size()) == stop) return false;
            if (sep == ' ') {
                f_.clear();
                size_t i = 0;
                while (i < line.size()) {
                    size_t j = line.find_first_of(" \t", i);
                    if (j == std::string_view::npos) j = line.size();
                    if (j > i) f_.emplace_back(line.substr(i, j - i));
                    i = j + 1;
                }
            } else {
                split_quoted(line, sep, f_);
            }
            if (f_.size() < names_.size())
                throw import_error(where() + std::to_string(f_.size()) + " fields where the column names have " +
                                   std::to_string(names_.size()));
            return true;
        }
        return false;
    }
    std::string where() const { return path_ + " line " + std::to_string(in_.line_no()) + ": "; }
    void add(snp_map& m, const std::string& name, std::string value)
    {
        if (name.empty() || name.find_first_of(" \t") != std::string::npos)
            throw import_error(where() + "SNP name '" + name + "' is empty or contains a blank");
        if (value.find_first_of("\t") != std::string::npos || value.find(' ') != value.rfind(' '))
            throw import_error(where() + "SNP " + name + ": a chromosome, position or allele contains a blank");
        if (!m.emplace(name, std::move(value)).second) throw import_error(where() + "SNP " + name + " is named twice");
    }
    // "[A/G]" -> A and G, complemented for the reverse strand.
    void alleles(const std::string& snp, bool reverse, std::string& a, std::string& b)
    {
        a.clear(), b.clear();
        size_t slash = snp.find('/');
        if (snp.size() < 5 || snp.front() != '[' || snp.back() != ']' || slash == std::string::npos) return;
        a = snp.substr(1, slash - 1);
        b = snp.substr(slash + 1, snp.size() - slash - 2);
        if (reverse)
            for (std::string* s : {&a, &b})
                for (char& c : *s) c = complement(c);
    }

    snp_map manifest()
    {
        std::string_view line;
        for (;;) {
            if (!in_.next(line)) throw import_error(path_ + ": a manifest without an [Assay] section");
            std::string_view t = trim(line);
            while (!t.empty() && t.back() == ',') t.remove_suffix(1);
            if (t == "[Assay]") break;
        }
        if (!in_.next(line)) throw import_error(path_ + ": no column names after [Assay]");
        columns(line, ',');
        const int name = need("Name"), snp = need("SNP"), chr = need("Chr"), pos = need("MapInfo");
        const int strand = find("RefStrand");
        snp_map m;
        std::string a, b;
        while (fields(',', "[Controls]")) {
            alleles(f_[snp], strand >= 0 && f_[strand] == "-", a, b);
            add(m, f_[name], entry(f_[chr], f_[pos], a, b));
        }
        return m;
    }
    snp_map annotation(std::string_view line)
    {
        while (line.empty() || line[0] == '#')
            if (!in_.next(line)) throw import_error(path_ + ": '#' lines but no column names");
        columns(line, ',');
        const int name = need("Probe Set ID"), chr = need("Chromosome"), pos = need("Physical Position"),
                  a = need("Allele A"), b = need("Allele B");
        snp_map m;
        while (fields(',')) add(m, f_[name], entry(f_[chr], f_[pos], f_[a], f_[b]));
        return m;
    }
    snp_map snp_map_txt(char sep)
    {
        const int name = need("Name"), chr = need("Chromosome"), pos = need("Position"), snp = need("SNP");
        snp_map m;
        std::string a, b;
        while (fields(sep)) {
            alleles(f_[snp], false, a, b);
            add(m, f_[name], entry(f_[chr], f_[pos], a, b));
        }
        return m;
    }
    snp_map plain(char sep)
    {
        const int name = need("name"), chr = need("chrom"), pos = need("pos"), a = need("a"), b = need("b");
        snp_map m;
        while (fields(sep)) add(m, f_[name], entry(f_[chr], f_[pos], f_[a], f_[b]));
        return m;
    }

    report_source in_;
    std::string path_;
    std::vector<std::string> names_, f_;
    long header_line_ = 0;
};

}  // namespace

void split_quoted(std::string_view line, char sep, std::vector<std::string>& out)
{
    out.clear();
    std::string cur;
    bool quoted = false, was_quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') cur += '"', ++i;
            else if (c == '"') quoted = false;
            else cur += c;
        } else if (c == '"') {
            quoted = was_quoted = true;
        } else if (c == sep) {
            out.push_back(was_quoted ? cur : std::string(trim(cur)));
            cur.clear();
            was_quoted = false;
        } else {
            cur += c;
        }
    }
    out.push_back(was_quoted ? cur : std::string(trim(cur)));
}

snp_map read_map(const std::string& path) { return map_reader(path).read(); }
