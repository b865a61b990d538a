// intensity_vcf.h -- intensities from a VCF or BCF: one SNP per record, A and
// B of each sample from two per-sample (FORMAT) tags, as array converters write them.
#ifndef TAMSEL_IO_INTENSITY_VCF_H
#define TAMSEL_IO_INTENSITY_VCF_H

#include <cstdint>
#include <string>
#include <vector>

#include <htslib/vcf.h>

#include "intensity_reader.h"

class intensity_vcf : public intensity_reader {
public:
    // Takes over f, a VCF or BCF open for reading. tag_a and tag_b name the
    // FORMAT tags of the A and B intensities; strict turns a skipped record into an error.
    intensity_vcf(htsFile* f, const std::string& path, const std::string& tag_a, const std::string& tag_b,
                  bool strict);
    intensity_vcf(const intensity_vcf&) = delete;
    intensity_vcf& operator=(const intensity_vcf&) = delete;
    ~intensity_vcf() override;

    bool read_header() override;
    const std::vector<std::string>& samples() const override { return samples_; }
    bool next(row_job& job, bool parse) override;
    void report() override;
    bool record_alleles() const override { return true; }

private:
    bool check_tag(int k);
    std::string where() const;
    void skip(const std::string& why);
    bool read_values(int k, std::vector<double>& ab);
    int allele(int k, std::string& text);
    std::string allele_text(int index) const;
    bool named_alleles() const;
    bool array_site();

    htsFile* f_;
    bcf_hdr_t* hdr_ = nullptr;
    bcf1_t* rec_ = nullptr;
    std::string path_;
    std::string tags_[2];
    int types_[2] = {0, 0};   // BCF_HT_INT or BCF_HT_REAL
    bool strict_;
    std::vector<std::string> samples_;
    int32_t* ints_ = nullptr;
    float* floats_ = nullptr;
    char* text_ = nullptr;
    int n_ints_ = 0, n_floats_ = 0, n_text_ = 0;
    long records_ = 0, skipped_ = 0, untagged_ = 0;
};

#endif
