// format.h -- numbers as the result files write them.
#ifndef TAMSEL_FORMAT_H
#define TAMSEL_FORMAT_H

#include <string>

// General notation with `digits` significant digits, exactly as a standard
// output stream with that precision writes it; NaN is "nan" whatever its sign bit.
void append_real(std::string& out, double v, int digits);
void append_int(std::string& out, long v);

class data;
// This SNP's lines of the calls, probabilities, kmodelmu and contrastmu
// files (those enabled), each with its line end.
void format_rows(const ::data& d, std::string rows[4]);

#endif
