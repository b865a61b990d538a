// reference.cpp -- the reference genome of --fasta-ref through htslib's faidx.
#include "reference.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sys/stat.h>

reference_genome::~reference_genome()
{
    if (fai_) fai_destroy(fai_);
}

std::string reference_genome::open(const std::string& path)
{
    path_ = path;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "cannot open the FASTA " + path;
    if (stat((path + ".fai").c_str(), &st) != 0)
        return "the FASTA " + path + " has no index " + path + ".fai (make it with samtools faidx)";
    // Flags 0: an index is read, never built beside the user's file.
    fai_ = fai_load3(path.c_str(), nullptr, nullptr, 0);
    if (!fai_) return "cannot read the FASTA " + path + " through its index (a bgzipped FASTA needs its .gzi too)";
    const int n = faidx_nseq(fai_);
    if (n <= 0) return "the FASTA " + path + " holds no sequence";
    for (int i = 0; i < n; ++i) {
        const char* name = faidx_iseq(fai_, i);
        contigs_.emplace_back(name, faidx_seq_len(fai_, name));
    }
    return "";
}

std::string reference_genome::bases(const std::string& chrom, long pos, size_t len) const
{
    if (!fai_ || len == 0 || !faidx_has_seq(fai_, chrom.c_str())) return "";
    const long end = pos + static_cast<long>(len) - 1;
    if (pos < 1 || end > faidx_seq_len(fai_, chrom.c_str())) return "";
    hts_pos_t got = 0;
    char* s = faidx_fetch_seq64(fai_, chrom.c_str(), pos - 1, end - 1, &got);
    std::string out;
    if (s && got == static_cast<hts_pos_t>(len)) out.assign(s, len);
    std::free(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

namespace {

std::string reverse_complement(const std::string& s)
{
    std::string r(s.rbegin(), s.rend());
    for (char& c : r) c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
    return r;
}

// A/T and C/G read the same on both strands: nothing tells a flip.
bool palindromic(const std::string& a, const std::string& b)
{
    return reverse_complement(a) == b;
}

}  // namespace

site_alleles_of align_to_reference(const reference_genome& g, const site_position& p, const site_alleles& al,
                                   ref_match& how)
{
    std::string a = al.a, b = al.b;
    const std::string ra = p.ok ? g.bases(p.chrom, p.pos, a.size()) : "";
    const std::string rb = p.ok ? g.bases(p.chrom, p.pos, b.size()) : "";
    if (ra.empty() && rb.empty()) {
        how = ref_match::no_base;
        return {{a, b}, 0, 1};
    }
    how = ref_match::same;
    if (ra != a && rb != b && !palindromic(a, b) &&
        (ra == reverse_complement(a) || rb == reverse_complement(b))) {
        a = reverse_complement(a);
        b = reverse_complement(b);
        how = ref_match::flipped;
    }
    if (ra == a) return {{a, b}, 0, 1};
    if (rb == b) return {{b, a}, 1, 0};
    how = ref_match::mismatch;
    // REF stays the genome's; of two lengths the one of A is taken.
    return {{ra.empty() ? rb : ra, a, b}, 1, 2};
}
