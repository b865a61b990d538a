// layout.h -- recognising a report by its content, and the field-level rules
// both layouts share (separators, column lookup, intensity values).
#ifndef TAMSEL_IMPORT_LAYOUT_H
#define TAMSEL_IMPORT_LAYOUT_H

#include <string>
#include <string_view>
#include <vector>

class report_source;

enum class report_layout { final_report, full_table, axiom_summary };

struct report_columns {
    report_layout layout;
    char sep;                          // '\t' or ','
    std::vector<std::string> names;    // the column-name line, fields trimmed
    long line_no;                      // where that line is
    long header_snps = -1, header_samples = -1;  // Num SNPs / Num Samples of [Header]
};

// Reads up to and including the column-name line: the line after [Data] in a
// Final Report, the first line of a Full Data Table. Throws import_error when
// the content is neither.
report_columns detect_layout(report_source& in);

// Splits LINE at SEP into OUT (cleared first), trimming blanks around fields.
void split_fields(std::string_view line, char sep, std::vector<std::string_view>& out);

// split_fields of a data line that must have NCOLS fields, one per column name;
// throws import_error naming PATH and LINE_NO when it has another number.
void split_data_line(std::string_view line, char sep, size_t ncols, std::vector<std::string_view>& out,
                     const std::string& path, long line_no);

// Index of the column called NAME, or -1.
int find_column(const std::vector<std::string>& names, const std::string& name);

enum class value_kind { number, missing, other };
// A decimal number as tamsel reads it; NaN, "-" and empty are missing.
value_kind classify_value(std::string_view v);

// Appends " V" for a number and " NaN" otherwise; counts values that were
// neither a number nor a missing-value mark.
void append_intensity(std::string& out, std::string_view v, unsigned long long& not_numbers);

// An id, position or sample name must be one word in tamsel's blank-separated
// layout; throws import_error naming the line when it is not.
void check_word(std::string_view v, const char* what, const std::string& path, long line);

// The three leading fields of a row, "ID CHR:POS ALLELES": an absent or empty
// chromosome or position is 0, absent allele text is [A/B]. Throws
// import_error naming the line when a field is not one word.
void append_snp_fields(std::string& out, std::string_view id, std::string_view chr, std::string_view pos,
                       std::string_view alleles, const std::string& path, long line);

// A sample's name as written in the header: tamsel takes the part of "NAME.A"
// before the first '.', so dots and blanks in NAME become '_'.
std::string header_name(std::string_view sample);

#endif
