// intensity_vcf.cpp -- reading a VCF or BCF record by record through htslib.
#include "intensity_vcf.h"

#include <cstdlib>
#include <strings.h>
#include <iostream>

#include <htslib/bgzf.h>

#include "data.h"
#include "result.h"

namespace {

constexpr long listed = 10;
const char* const allele_info[2] = {"ALLELE_A", "ALLELE_B"};

std::string type_name(int type)
{
    switch (type) {
    case BCF_HT_FLAG: return "Flag";
    case BCF_HT_STR: return "String";
    default: return "a non-numeric type";
    }
}

// The FORMAT tags of the header that could hold intensities, for the message
// that tells a user which names the file offers.
std::string numeric_tags(const bcf_hdr_t* hdr)
{
    std::string list;
    for (int i = 0; i < hdr->n[BCF_DT_ID]; ++i) {
        if (!bcf_hdr_idinfo_exists(hdr, BCF_HL_FMT, i)) continue;
        const int type = bcf_hdr_id2type(hdr, BCF_HL_FMT, i);
        if (type != BCF_HT_INT && type != BCF_HT_REAL) continue;
        list += (list.empty() ? "" : ",") + std::string(hdr->id[BCF_DT_ID][i].key);
    }
    return list.empty() ? "none" : list;
}

}  // namespace

intensity_vcf::intensity_vcf(htsFile* f, const std::string& path, const std::string& tag_a,
                             const std::string& tag_b, bool strict)
    : f_(f), path_(path), tags_{tag_a, tag_b}, strict_(strict)
{
}

intensity_vcf::~intensity_vcf()
{
    std::free(ints_);
    std::free(floats_);
    std::free(text_);
    if (rec_) bcf_destroy(rec_);
    if (hdr_) bcf_hdr_destroy(hdr_);
    if (f_) hts_close(f_);
}

bool intensity_vcf::check_tag(int k)
{
    const std::string& tag = tags_[k];
    const int id = bcf_hdr_id2int(hdr_, BCF_DT_ID, tag.c_str());
    std::string why;
    if (!bcf_hdr_idinfo_exists(hdr_, BCF_HL_FMT, id)) {
        why = "declares no FORMAT tag " + tag + "; its numeric FORMAT tags are " + numeric_tags(hdr_) +
              " (--intensities TAG_A,TAG_B chooses two)";
    } else {
        types_[k] = bcf_hdr_id2type(hdr_, BCF_HL_FMT, id);
        if (types_[k] != BCF_HT_INT && types_[k] != BCF_HT_REAL)
            why = "declares FORMAT tag " + tag + " as " + type_name(types_[k]) +
                  "; an intensity tag is Integer or Float";
        else if (bcf_hdr_id2length(hdr_, BCF_HL_FMT, id) != BCF_VL_FIXED ||
                 bcf_hdr_id2number(hdr_, BCF_HL_FMT, id) != 1)
            why = "declares FORMAT tag " + tag + " with more than one value per sample (Number=1 is needed)";
    }
    if (why.empty()) return true;
    std::cout << "Error : " << path_ << " " << why << std::endl;
    return false;
}

bool intensity_vcf::read_header()
{
    hdr_ = bcf_hdr_read(f_);
    if (!hdr_) {
        std::cout << "Error : the VCF header of " << path_ << " cannot be read" << std::endl;
        return false;
    }
    rec_ = bcf_init();
    if (!check_tag(0) || !check_tag(1)) return false;
    for (int i = 0; i < bcf_hdr_nsamples(hdr_); ++i) samples_.push_back(hdr_->samples[i]);
    if (samples_.empty()) {
        std::string why = path_ + ": the VCF header names no samples, so there are no individuals";
        if (strict_) throw input_error(why);
        std::cerr << "Warning : " << why << std::endl;
    }
    return true;
}

std::string intensity_vcf::where() const
{
    return path_ + " record " + std::to_string(records_) + " (" + bcf_seqname_safe(hdr_, rec_) + ":" +
           std::to_string(rec_->pos + 1) + ")";
}

void intensity_vcf::skip(const std::string& why)
{
    if (strict_) throw input_error(where() + ": " + why + " (--strict)");
    if (++skipped_ <= listed)
        std::cerr << "Warning : " << where() << ": " << why << "; the record is skipped" << std::endl;
}

// Fills the A (k = 0) or B (k = 1) value of every sample; false when the record lacks the tag.
bool intensity_vcf::read_values(int k, std::vector<double>& ab)
{
    const size_t n = samples_.size();
    const bool ints = types_[k] == BCF_HT_INT;
    const int got = ints ? bcf_get_format_int32(hdr_, rec_, tags_[k].c_str(), &ints_, &n_ints_)
                         : bcf_get_format_float(hdr_, rec_, tags_[k].c_str(), &floats_, &n_floats_);
    if (got < 0 || n == 0) return false;
    const size_t per = static_cast<size_t>(got) / n;
    for (size_t i = 0; i < n && per > 0; ++i) {
        double v = MISSING_INTENSITY;
        if (ints) {
            const int32_t x = ints_[i * per];
            if (x != bcf_int32_missing && x != bcf_int32_vector_end) v = x;
        } else {
            // Widening from single precision is exact: the fit sees the stored float's own value.
            const float x = floats_[i * per];
            if (!bcf_float_is_missing(x) && !bcf_float_is_vector_end(x)) v = static_cast<double>(x);
        }
        ab[2 * i + k] = v;
    }
    return true;
}

// The array's A (k = 0) or B (k = 1) allele: INFO ALLELE_A / ALLELE_B as an
// index into REF/ALT, as a number written as a string, or as the allele itself
// with an optional "*" marking the one equal to REF; REF or the first ALT when
// absent. Returns its index among the record's alleles (-1 for none) and sets
// text to the allele as the allele text shows it.
int intensity_vcf::allele(int k, std::string& text)
{
    int index = k < rec_->n_allele ? k : -1;
    // Looked up per record: an undeclared tag enters the header at its first use, as a String.
    const int id = bcf_hdr_id2int(hdr_, BCF_DT_ID, allele_info[k]);
    const int type = bcf_hdr_idinfo_exists(hdr_, BCF_HL_INFO, id) ? bcf_hdr_id2type(hdr_, BCF_HL_INFO, id) : -1;
    if (type == BCF_HT_INT) {
        if (bcf_get_info_int32(hdr_, rec_, allele_info[k], &ints_, &n_ints_) > 0 && ints_[0] != bcf_int32_missing)
            index = ints_[0];
    } else if (type == BCF_HT_STR && bcf_get_info_string(hdr_, rec_, allele_info[k], &text_, &n_text_) > 0) {
        // A number is an index, as in the Integer form; anything else is the allele itself.
        char* end = nullptr;
        const long v = std::strtol(text_, &end, 10);
        if (end != text_ && *end == '\0') {
            index = v >= -1 && v <= 255 ? static_cast<int>(v) : -1;
        } else if (std::string(text_) != ".") {
            text = text_;
            if (!text.empty() && text.back() == '*') text.pop_back();
            index = -1;
            for (int j = 0; j < rec_->n_allele; ++j)
                if (strcasecmp(rec_->d.allele[j], text.c_str()) == 0) index = j;
            return index;
        }
    }
    text = allele_text(index);
    return index >= 0 && index < rec_->n_allele ? index : -1;
}

// True when the record's INFO names the A and B alleles (either tag given).
bool intensity_vcf::named_alleles() const
{
    for (const char* tag : allele_info) {
        const int id = bcf_hdr_id2int(hdr_, BCF_DT_ID, tag);
        if (id >= 0 && bcf_get_info_id(rec_, id)) return true;
    }
    return false;
}

// A record with several ALT alleles is an array site when ALLELE_A and
// ALLELE_B name two different alleles of it; otherwise it is skipped.
bool intensity_vcf::array_site()
{
    bcf_unpack(rec_, BCF_UN_SHR);
    std::string a, b;
    const int ia = named_alleles() ? allele(0, a) : -1, ib = ia >= 0 ? allele(1, b) : -1;
    if (ia >= 0 && ib >= 0 && ia != ib) return true;
    skip(std::to_string(rec_->n_allele - 1) + " ALT alleles and no ALLELE_A/ALLELE_B naming two of them");
    return false;
}

// An index naming no allele (a probe without a B allele, say) shows as ".".
std::string intensity_vcf::allele_text(int index) const
{
    return index >= 0 && index < rec_->n_allele ? rec_->d.allele[index] : ".";
}

bool intensity_vcf::next(row_job& job, bool parse)
{
    for (;;) {
        const int got = bcf_read(f_, hdr_, rec_);
        if (got == -1 && rec_->errcode == 0) {
            // A BGZF file cut at a block boundary reads cleanly; only its missing end block tells.
            const BGZF* z = f_->is_bgzf ? f_->fp.bgzf : nullptr;
            if (z && z->is_compressed && !z->is_gzip && !z->last_block_eof)
                throw input_error(path_ + " after record " + std::to_string(records_) +
                                  ": the compressed data are cut short (no end-of-file block)");
            return false;
        }
        ++records_;
        if (got < 0 || (rec_->errcode & ~(BCF_ERR_TAG_UNDEF | BCF_ERR_CTG_UNDEF)) != 0)
            throw input_error(path_ + " record " + std::to_string(records_) +
                              ": damaged or cut short (see htslib's message above)");
        // A text line cut before its sample columns reads without complaint, but with no samples.
        if (rec_->n_sample != samples_.size())
            skip("sample columns missing (the line is cut short)");
        else if (rec_->n_allele <= 2 || array_site())
            break;
    }
    if (!parse) return true;
    bcf_unpack(rec_, BCF_UN_ALL);
    const std::string chrom_pos = std::string(bcf_seqname_safe(hdr_, rec_)) + ":" + std::to_string(rec_->pos + 1);
    const char* id = rec_->d.id;
    job.id = id && std::string(id) != "." ? id : chrom_pos;
    job.position = chrom_pos;
    std::string a, b;
    const int ia = allele(0, a), ib = allele(1, b);
    job.allele = "[" + a + "/" + b + "]";
    job.site.alleles.clear();
    // A record whose A or B is none of its alleles keeps only the allele text.
    if (ia >= 0 && ib >= 0 && ia != ib) {
        for (int j = 0; j < rec_->n_allele; ++j) job.site.alleles.push_back(rec_->d.allele[j]);
        job.site.a = ia;
        job.site.b = ib;
    }
    job.ab.assign(2 * samples_.size(), MISSING_INTENSITY);
    const bool got_a = read_values(0, job.ab), got_b = read_values(1, job.ab);
    if (!got_a && !got_b) ++untagged_;
    return true;
}

void intensity_vcf::report()
{
    if (skipped_ > 0)
        std::cerr << "Warning : " << path_ << ": " << skipped_ << " record" << (skipped_ == 1 ? "" : "s")
                  << " skipped (several ALT alleles without ALLELE_A/ALLELE_B naming two, or cut short)"
                  << (skipped_ > listed ? ", the first " + std::to_string(listed) + " listed above" : "")
                  << std::endl;
    if (untagged_ > 0)
        std::cerr << "Warning : " << path_ << ": " << untagged_ << " record" << (untagged_ == 1 ? "" : "s")
                  << " without " << tags_[0] << " and " << tags_[1] << " (every individual missing there)"
                  << std::endl;
}
