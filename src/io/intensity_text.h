// intensity_text.h -- the text layout: a header line, then one row per SNP
// with its id, position and allele text and an A and a B value per individual.
#ifndef TAMSEL_IO_INTENSITY_TEXT_H
#define TAMSEL_IO_INTENSITY_TEXT_H

#include <vector>

#include "intensity_reader.h"
#include "line_source.h"

class intensity_text : public intensity_reader {
public:
    // in must be open; strict turns every repaired or dropped row into an error.
    intensity_text(line_source& in, bool strict) : in_(in), strict_(strict) {}
    bool read_header() override;
    const std::vector<std::string>& samples() const override { return samples_; }
    bool next(row_job& job, bool parse) override;
    void report() override;
    bool splits() const override { return true; }
    bool take(row_job& job) override;
    void decode(row_job& job) const override;
    bool accept(row_job& job) override;

private:
    void damaged(const std::string& what, long line);
    std::string damage(const std::vector<char*>& fields, size_t pairs, bool unterminated) const;
    bool stop_at(long line, size_t nfields, bool row_blank);
    line_source& in_;
    bool strict_;
    std::vector<char*> fields_;
    std::vector<std::string> samples_;
    size_t header_fields_ = 0;
    long damaged_ = 0;
    long last_filled_ = 0;  // the last line taken that is not blank
    bool ended_ = false;
};

#endif
