// shard_index.cpp -- writing and reading FILE.tsi, and the fingerprint of its input.
#include "shard_index.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "result.h"

namespace {

constexpr const char* magic = "#tamsel-index\t1";
constexpr long edge = 1 << 16;

void fnv(uint64_t& h, const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ULL;
}

char hex_digit(int v) { return "0123456789abcdef"[v & 15]; }

std::string pack(const std::vector<bool>& bits)
{
    std::string s((bits.size() + 3) / 4, '0');
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) {
            char& c = s[i / 4];
            int v = (c <= '9' ? c - '0' : c - 'a' + 10) | (1 << (i % 4));
            c = hex_digit(v);
        }
    return s;
}

bool unpack(const std::string& s, size_t n, std::vector<bool>& bits)
{
    if (s.size() != (n + 3) / 4) return false;
    bits.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        char c = s[i / 4];
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return false;
        bits[i] = (v >> (i % 4)) & 1;
    }
    return true;
}

}  // namespace

bool fingerprint_of(const std::string& path, input_fingerprint& fp)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    fp.size = static_cast<unsigned long long>(st.st_size);
    fp.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    // The ends hold the header and the last rows; size and time catch most other edits.
    std::vector<char> buf(edge);
    uint64_t h = 14695981039346656037ULL;
    f.read(buf.data(), edge);
    fnv(h, buf.data(), static_cast<size_t>(f.gcount()));
    if (fp.size > static_cast<unsigned long long>(edge)) {
        f.clear();
        f.seekg(static_cast<std::streamoff>(fp.size > 2ULL * edge ? fp.size - edge : edge));
        f.read(buf.data(), edge);
        fnv(h, buf.data(), static_cast<size_t>(f.gcount()));
    }
    fp.hash = h;
    return !f.bad();
}

std::string index_path(const std::string& input)
{
    return input + ".tsi";
}

void write_index(const std::string& path, const shard_index& idx)
{
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) throw write_error("cannot create " + tmp);
    std::fprintf(f, "%s\n#size\t%llu\n#mtime_ns\t%lld\n#hash\t%016llx\n#layout\t%s\n", magic, idx.input.size,
                 idx.input.mtime_ns, static_cast<unsigned long long>(idx.input.hash), idx.layout.c_str());
    std::fprintf(f, "#individuals\t%ld\n#every\t%ld\n#rows\t%ld\n#fitted\t%ld\n", idx.individuals, idx.every,
                 idx.rows, idx.fitted);
    std::fputs("#row\toffset\tfitted_before\tseed1\tseed2\tfitted_rows\n", f);
    for (const index_checkpoint& c : idx.points)
        std::fprintf(f, "%ld\t%llu\t%ld\t%ld\t%ld\t%s\n", c.row, static_cast<unsigned long long>(c.offset),
                     c.fitted_before, c.seed1, c.seed2, pack(c.fitted).c_str());
    bool ok = std::ferror(f) == 0;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw write_error("cannot write " + path);
    }
}

shard_index read_index(const std::string& path)
{
    std::ifstream f(path);
    if (!f) throw input_error("cannot read the index " + path);
    shard_index idx;
    std::string line;
    long line_no = 0;
    auto bad = [&](const std::string& what) {
        return input_error(path + (line_no ? " line " + std::to_string(line_no) : std::string()) + ": " + what +
                           "; make it again with tamsel --index");
    };
    if (!std::getline(f, line) || line != magic) {
        line_no = 1;
        throw bad("not a tamsel index");
    }
    line_no = 1;
    bool layout = false;
    while (std::getline(f, line)) {
        ++line_no;
        std::istringstream in(line);
        if (line[0] == '#') {
            std::string key;
            in >> key;
            if (key == "#size") in >> idx.input.size;
            else if (key == "#mtime_ns") in >> idx.input.mtime_ns;
            else if (key == "#hash") in >> std::hex >> idx.input.hash;
            else if (key == "#layout") layout = static_cast<bool>(in >> idx.layout);
            else if (key == "#individuals") in >> idx.individuals;
            else if (key == "#every") in >> idx.every;
            else if (key == "#rows") in >> idx.rows;
            else if (key == "#fitted") in >> idx.fitted;
            if (!in && key != "#row") throw bad("unreadable " + key.substr(1));
            continue;
        }
        index_checkpoint c;
        std::string bits;
        in >> c.row >> c.offset >> c.fitted_before >> c.seed1 >> c.seed2;
        const long expect = idx.points.empty() ? 1 : idx.points.back().row + idx.every;
        if (!in || c.row != expect) throw bad("not a checkpoint line of row " + std::to_string(expect));
        const long span = std::min(idx.every, idx.rows - c.row + 1);
        in >> bits;
        if (span < 1 || !unpack(bits, static_cast<size_t>(span), c.fitted))
            throw bad("the fitted rows of checkpoint row " + std::to_string(c.row) + " are unreadable");
        idx.points.push_back(std::move(c));
    }
    line_no = 0;
    if (!layout || idx.every < 1) throw bad("the header lines are incomplete");
    const long expected = idx.rows > 0 ? (idx.rows - 1) / idx.every + 1 : 0;
    if (static_cast<long>(idx.points.size()) != expected)
        throw bad("the index is cut short: " + std::to_string(idx.points.size()) + " checkpoints of " +
                  std::to_string(expected));
    return idx;
}
