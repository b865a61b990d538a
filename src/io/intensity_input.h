// intensity_input.h -- opening an intensity input and choosing its reader by content.
#ifndef TAMSEL_IO_INTENSITY_INPUT_H
#define TAMSEL_IO_INTENSITY_INPUT_H

#include <memory>
#include <string>

#include "intensity_reader.h"
#include "line_source.h"

struct intensity_source {
    std::string tag_a = "X", tag_b = "Y";  // FORMAT tags of A and B in a VCF or BCF
    bool strict = false;
    int threads = 0;
};

// Opens PATH ("-" for standard input). A VCF or BCF, plain or compressed, is
// read record by record; anything else is the text layout, read through text
// (left open for the progress estimate). The content is looked at without
// consuming it, so standard input works for both. nullptr when PATH cannot be opened.
std::unique_ptr<intensity_reader> open_intensities(const std::string& path, const intensity_source& how,
                                                   line_source& text);

// True when PATH opens and is a VCF or BCF, plain or compressed.
bool variant_file(const std::string& path);

#endif
