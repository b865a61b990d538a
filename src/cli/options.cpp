// options.cpp -- reading the command line and checking the combination.
#include "read_options.h"

#include <cstdlib>
#include <sstream>

namespace {

// A non-negative decimal integer, whole word.
bool count_value(const std::string& v, int& out)
{
    if (v.empty() || v.size() > 6) return false;
    for (char c : v)
        if (c < '0' || c > '9') return false;
    out = std::atoi(v.c_str());
    return true;
}

// Reads the long option at argv[i] ("--name" or "--name=value"); advances i
// past a value word. Returns "" or the message for a bad option.
std::string read_long(int argc, char** argv, int& i, options& o)
{
    std::string name = argv[i] + 2, value;
    bool has_value = false;
    size_t eq = name.find('=');
    if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.erase(eq);
        has_value = true;
    }
    auto take_value = [&](std::string& v) -> bool {
        if (has_value) {
            v = value;
            return true;
        }
        if (i + 1 >= argc) return false;
        v = argv[++i];
        return true;
    };
    struct flag { const char* name; bool options::*field; };
    static const flag flags[] = {{"bgzip", &options::bgzip},   {"quiet", &options::quiet},
                                 {"strict", &options::strict}, {"no-simd", &options::no_simd},
                                 {"help", &options::help},     {"version", &options::version},
                                 {"qc", &options::qc},         {"no-index", &options::no_index},
                                 {"whole-genome", &options::whole_genome}, {"qc-part", &options::qc_part},
                                 {"stats", &options::stats}};
    for (const flag& f : flags)
        if (name == f.name) {
            if (has_value) return "Option --" + name + " takes no value.";
            o.*f.field = true;
            return "";
        }
    if (name == "threads") {
        std::string v;
        if (!take_value(v)) return "Option --threads needs a value.";
        if (!count_value(v, o.threads)) return "Option --threads needs a number of threads (0 = all cores), not \"" + v + "\".";
        return "";
    }
    if (name == "vcf-fields") {
        std::string v;
        if (!take_value(v)) return "Option --vcf-fields needs a value.";
        o.vcf_fields_set = true;
        return read_vcf_fields(v, o.vcf_fields);
    }
    if (name == "compress-level") {
        std::string v;
        if (!take_value(v)) return "Option --compress-level needs a value.";
        if (v.size() != 1 || !count_value(v, o.compress_level) || o.compress_level > MAX_COMPRESS_LEVEL)
            return "Option --compress-level needs a BGZF level from 0 (stored) to 9 (smallest), not \"" + v + "\".";
        return "";
    }
    if (name == "intensities") {
        std::string v;
        if (!take_value(v)) return "Option --intensities needs a value.";
        const size_t comma = v.find(',');
        if (comma == std::string::npos || comma == 0 || comma + 1 == v.size() ||
            v.find(',', comma + 1) != std::string::npos)
            return "Option --intensities needs two FORMAT tags, A then B, like X,Y or NORMX,NORMY, not \"" + v + "\".";
        o.tag_a = v.substr(0, comma);
        o.tag_b = v.substr(comma + 1);
        return "";
    }
    for (auto path : {std::make_pair("vcf", &options::vcf), std::make_pair("plink", &options::plink)})
        if (name == path.first) {
            if (!take_value(o.*path.second) || (o.*path.second).empty())
                return "Option --" + name + " needs a value.";
            return "";
        }
    if (name == "index") {
        std::string v;
        if (!take_value(v) || v.empty()) return "Option --index needs the intensity file to index.";
        o.index = has_value ? argv[i] + 2 + eq + 1 : argv[i];
        return "";
    }
    if (name == "inbred") {
        if (!take_value(o.inbred) || o.inbred.empty()) return "Option --inbred needs a file of sample names.";
        return "";
    }
    if (name == "fasta-ref") {
        if (!take_value(o.fasta_ref) || o.fasta_ref.empty()) return "Option --fasta-ref needs an indexed FASTA file.";
        return "";
    }
    if (name == "inbred-f") {
        std::string v;
        if (!take_value(v)) return "Option --inbred-f needs a value.";
        char* end = nullptr;
        o.inbred_f = std::strtod(v.c_str(), &end);
        if (v.empty() || *end != '\0' || !(o.inbred_f >= 0 && o.inbred_f <= 1))
            return "Option --inbred-f needs an inbreeding coefficient from 0 to 1, not \"" + v + "\".";
        return "";
    }
    if (name == "index-every") {
        std::string v;
        if (!take_value(v)) return "Option --index-every needs a value.";
        if (!count_value(v, o.index_every) || o.index_every < 1)
            return "Option --index-every needs a number of rows of at least 1, not \"" + v + "\".";
        return "";
    }
    return "Unknown option --" + name + " (tamsel --help lists the options).";
}

}  // namespace

std::string read_options(int argc, char** argv, options& o)
{
    for (int i = 0; i < argc; ++i) {
        const char* w = argv[i];
        // A word that starts with "--" is a long option; single letters keep their rule.
        if (i > 0 && w[0] == '-' && w[1] == '-') {
            std::string msg = read_long(argc, argv, i, o);
            if (!msg.empty()) return msg;
            continue;
        }
        // Only the second character of a word that starts with '-' names the option.
        if (w[0] != '-' || w[1] == '\0') continue;
        char opt = w[1];
        int need = 0;
        switch (opt) {
        case 'i': case 'o': case 'g': case 'n': case 't': need = 1; break;
        case 's': need = 2; break;
        default: break;
        }
        if (i + need >= argc) {
            // A path left without its value stays unset, so the checks report it.
            if (opt == 'i' || opt == 'o' || opt == 'g') continue;
            if (need > 0)
                return std::string("Option -") + opt + " needs " + (need == 2 ? "two values" : "a value") + ".";
        }
        switch (opt) {
        case 'i': o.input = argv[++i]; break;
        case 'o': o.output = argv[++i]; break;
        case 'g': o.gender = argv[++i]; break;
        case 's': o.first = std::atoi(argv[i + 1]); o.last = std::atoi(argv[i + 2]); i += 2; break;
        case 'n': o.max_iter = std::atoi(argv[++i]); break;
        case 't': o.call_threshold = std::atof(argv[++i]); break;
        case 'X': o.chromosome = chrom::X; break;
        case 'Y': o.chromosome = chrom::Y; break;
        case 'M': o.chromosome = chrom::MT; break;
        case 'c': o.calls = true; break;
        case 'p': o.probs = true; break;
        case 'k': o.kmodel = true; break;
        case 'u': o.contrast = true; break;
        case 'a': o.pert = true; break;
        case 'w': o.narrow_null = true; break;
        default: break;
        }
    }
    return "";
}

std::string check_options(const options& o)
{
    // Indexing is a command of its own: it reads one file and writes its index.
    if (o.index) return "";
    if (!o.input || !o.output) return "Need to specify both an input and an output file.";
    if (o.whole_genome && o.chromosome != chrom::none)
        return "--whole-genome reads each row's chromosome from its position; it cannot be combined with -X, -Y or -M.";
    if ((o.chromosome != chrom::none || o.whole_genome) != (o.gender != nullptr)) return "Need to specify a gender file.";
    if (o.qc_part && !o.qc) return "--qc-part needs --qc.";
    if (o.vcf_fields_set && o.vcf.empty()) return "--vcf-fields needs --vcf.";
    // A VCF or PLINK output is a result of its own.
    if (!o.calls && !o.probs && o.vcf.empty() && o.plink.empty()) return "Need to specify -c and / or -p";
    return "";
}

std::string usage_text()
{
    std::ostringstream u;
    u << "Usage: tamsel -i INTENSITIES -o PREFIX [-c] [-p] [options]\n"
      << "  -i FILE     intensity file: SNP, position, allele, then A and B per individual\n"
      << "  -o PREFIX   output prefix for PREFIX_calls, PREFIX_probs, PREFIX_kmodelmu, PREFIX_contrastmu\n"
      << "  -c          write the calls file\n"
      << "  -p          write the probabilities file (at least one of -c and -p)\n"
      << "  -k          write the kmodelmu file (contrast model per SNP)\n"
      << "  -u          write the contrastmu file (cluster centres per SNP)\n"
      << "  -a          run the perturbation check and write a pert_score column\n"
      << "  -s F L      process data rows F to L only (1-based; L = -1 for the end)\n"
      << "  -n INT      iteration limit of each fit [" << DEFAULT_MAX_ITER << "]\n"
      << "  -t REAL     posterior a genotype call must exceed [" << DEFAULT_CALL_THRESHOLD << "]\n"
      << "  -X, -Y, -M  the input is chromosome X, Y or MT (needs -g)\n"
      << "  -g FILE     gender file: one code per line per individual (1 = male)\n"
      << "  -w          start the null cluster with variances 1000 instead of 100000\n"
      << "Long options (none changes what the options above produce):\n"
      << "  --threads N  fit SNPs, and compress, on N threads; 0 = every core [1]\n"
      << "  --bgzip      write every output BGZF-compressed, \".gz\" added to its name\n"
      << "  --strict     stop with an error at a damaged row instead of repairing it\n"
      << "  --quiet      no progress line on a terminal\n"
      << "  --stats      end with wall time, CPU time and peak memory on standard error\n"
      << "               (always on a terminal)\n"
      << "  --vcf FILE   also write a VCF (.vcf), BGZF VCF (.vcf.gz) or BCF (.bcf); enough without -c/-p\n"
      << "  --vcf-fields LIST  FORMAT tags of --vcf, from GT,GP,PNULL,CONTRAST,STRENGTH (GT\n"
      << "               needed; the file keeps this order); GT,GP for a lean file [all five]\n"
      << "  --compress-level N  BGZF level of every compressed output (--bgzip, .vcf.gz,\n"
      << "               .bcf), 0 (stored) to 9 (smallest) [6]\n"
      << "  --plink PREFIX  also write PLINK PREFIX.bed, .bim, .fam; enough without -c/-p\n"
      << "  --qc         also write PREFIX_snpqc and PREFIX_sampleqc, quality-control tables\n"
      << "  --qc-part    with --qc, also PREFIX_sampleqc.part: the per-sample sums shards join\n"
      << "  --whole-genome  each row as its contig asks: X/chrX/23 as -X, Y/chrY/24 as -Y,\n"
      << "               MT/M/chrM/chrMT/26 as -M, the rest as autosomes (needs -g)\n"
      << "  --no-simd    use the library's maths functions only\n"
      << "  --fasta-ref FILE  REF of the VCF and PLINK outputs from this indexed FASTA (.fai)\n"
      << "  --inbred FILE  samples that are inbred, one per line, optionally with F each\n"
      << "  --inbred-f F   F of a listed sample without its own (default 0.999)\n"
      << "  --intensities A,B  FORMAT tags of A and B in a VCF/BCF input [X,Y]\n"
      << "  --index FILE write FILE.tsi, which lets -s start near its first row with the\n"
      << "               perturbation scores of a whole run (-a); no other output\n"
      << "  --index-every N  rows between the checkpoints of --index [1000]\n"
      << "  --no-index   -s ignores FILE.tsi and reads from the first row\n"
      << "  --help, --version\n"
      << "  -i also reads gzip or BGZF files, VCF or BCF, and standard input as \"-\".\n"
      << "Example: tamsel -i examples/small.int -o out/small -c -p\n";
    return u.str();
}
