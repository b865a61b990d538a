// gender_file.cpp -- reading the gender codes.
#include "gender_file.h"

#include <cstdlib>

#include "line_source.h"

void parse_gender(const char* line, bool& stop, std::vector<int>& gender)
{
    // A byte of 128 or more cannot start a code either.
    stop = static_cast<signed char>(line[0]) <= 13;
    if (!stop) gender.push_back(std::atoi(line));
}

bool read_gender(const std::string& path, std::vector<int>& gender)
{
    line_source in;
    if (!in.open(path)) return false;
    bool stop = false;
    while (!stop && !in.at_end() && in.next()) parse_gender(in.line(), stop, gender);
    return true;
}
