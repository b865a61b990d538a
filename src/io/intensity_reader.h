// intensity_reader.h -- what the run driver reads from an intensity input,
// whatever its format.
#ifndef TAMSEL_IO_INTENSITY_READER_H
#define TAMSEL_IO_INTENSITY_READER_H

#include <string>
#include <vector>

// A VCF/BCF record's alleles (REF first, then each ALT) and the indexes of the
// array's A and B alleles among them; empty for inputs whose alleles are only
// the allele text, and for records whose A or B names no allele of the record.
struct site_alleles_of {
    std::vector<std::string> alleles;
    int a = 0, b = 1;
};

// One data row on its way to a worker.
struct row_job {
    long index = 0;                // 0-based among the processed SNPs
    std::string console;           // standard-output text that precedes its fit
    std::string id, position, allele;
    std::vector<double> ab;        // A and B of each pair read, in order
    std::vector<double> noise;     // its perturbation deviates (with -a, when fitted)
    site_alleles_of site;          // a VCF/BCF input's REF/ALT and which are A and B

    // A row taken on one thread and decoded on another (intensity_reader::take).
    std::vector<char> raw;         // the line as read, NUL-terminated
    std::vector<char*> fields;     // its fields, once decoded
    long line_no = 0;
    bool unterminated = false;     // it ended at the end of the input, without a line end
    bool blank = false;
    std::string damage;            // what decoding found to repair, for accept to report
    bool draws = false;            // with -a: it draws perturbation deviates
};

class intensity_reader {
public:
    virtual ~intensity_reader() = default;
    // Reads the header; false (after printing the reason) when the input cannot be used.
    virtual bool read_header() = 0;
    // The individuals' sample names, in column order.
    virtual const std::vector<std::string>& samples() const = 0;
    // Reads the next data row; with parse false the row is only counted.
    // False at the end of the data. Throws input_error when the input is
    // damaged beyond repair or, with --strict, at any repaired row.
    virtual bool next(row_job& job, bool parse) = 0;
    // Reports what was repaired or dropped, at the end of the run.
    virtual void report() = 0;
    // True when rows come with their own REF/ALT (row_job::site).
    virtual bool record_alleles() const { return false; }

    // Reading in three steps, so that rows are decoded on other threads: take
    // reads the next row as it stands (false at the end of the data), decode
    // converts it on any thread, and accept, called in row order, reports what
    // decode found and returns false where the data end (no row from there on
    // is used). Throws as next() does. Only for a reader whose splits() is true.
    virtual bool splits() const { return false; }
    virtual bool take(row_job&) { return false; }
    virtual void decode(row_job&) const {}
    virtual bool accept(row_job&) { return false; }
};

#endif
