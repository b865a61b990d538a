// row_split.h -- input lines into fields.
#ifndef TAMSEL_IO_ROW_SPLIT_H
#define TAMSEL_IO_ROW_SPLIT_H

#include <string>
#include <vector>

// Cuts line in place at blanks and tabs, stopping at its line end; fields gets
// the start of each field.
void split_chars(char* line, std::vector<char*>& fields);
std::vector<std::string>& split(const std::string& s, char delim, std::vector<std::string>& elems);
std::vector<std::string> split(const std::string& s, char delim);

#endif
