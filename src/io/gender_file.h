// gender_file.h -- one gender code per line, one line per individual.
#ifndef TAMSEL_IO_GENDER_FILE_H
#define TAMSEL_IO_GENDER_FILE_H

#include <string>
#include <vector>

// Appends the codes of PATH (plain or compressed) to gender; reading ends at an
// empty line or one that starts with a control character. False when the file
// cannot be opened.
bool read_gender(const std::string& path, std::vector<int>& gender);

// The same for text already in memory.
void parse_gender(const char* line, bool& stop, std::vector<int>& gender);

#endif
