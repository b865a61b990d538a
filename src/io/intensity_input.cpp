// intensity_input.cpp -- one peek at the start of the input decides its format.
#include "intensity_input.h"

#include <iostream>

#include <htslib/hfile.h>
#include <htslib/hts.h>

#include "intensity_text.h"
#include "intensity_vcf.h"

// A VCF or BCF, plain or compressed, from a peek that consumes nothing.
static bool variants(hFILE* h, htsFormat& format)
{
    return hts_detect_format(h, &format) == 0 && (format.format == vcf || format.format == bcf);
}

bool variant_file(const std::string& path)
{
    hFILE* h = hopen(path.c_str(), "r");
    if (!h) return false;
    htsFormat format;
    const bool v = variants(h, format);
    hclose_abruptly(h);
    return v;
}

std::unique_ptr<intensity_reader> open_intensities(const std::string& path, const intensity_source& how,
                                                   line_source& text)
{
    hFILE* h = hopen(path.c_str(), "r");
    if (!h) return nullptr;
    htsFormat format;
    if (variants(h, format)) {
        htsFile* f = hts_hopen(h, path.c_str(), "r");
        if (!f) {
            hclose_abruptly(h);
            return nullptr;
        }
        if (how.threads > 1 && format.compression != no_compression) hts_set_threads(f, how.threads);
        return std::make_unique<intensity_vcf>(f, path, how.tag_a, how.tag_b, how.strict);
    }
    if (how.tag_a != "X" || how.tag_b != "Y")
        std::cerr << "Warning : --intensities applies to a VCF or BCF; " << path << " is read as text" << std::endl;
    if (!text.open(h, path, how.threads)) {
        hclose_abruptly(h);
        return nullptr;
    }
    return std::make_unique<intensity_text>(text, how.strict);
}
