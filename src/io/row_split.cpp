// row_split.cpp -- input lines into fields.
#include "row_split.h"

#include <sstream>

void split_chars(char* line, std::vector<char*>& fields)
{
    fields.clear();
    // A line that starts with a tab or a control character has no empty first
    // field; bytes from 128 up are characters (UTF-8 names and ids).
    if (static_cast<unsigned char>(line[0]) > 13) fields.push_back(line);
    char* p = line;
    while (*p) {
        char c = *p;
        if (c == '\n' || c == '\r') {
            *p = '\0';
            break;
        }
        if (c == ' ' || c == '\t') {
            *p++ = '\0';
            while (*p == ' ' || *p == '\t') ++p;
            if (*p == '\0') break;
            // A line end right after the blanks still starts an (empty) last field.
            fields.push_back(p);
            continue;
        }
        ++p;
    }
}

std::vector<std::string>& split(const std::string& s, char delim, std::vector<std::string>& elems)
{
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, delim)) elems.push_back(item);
    return elems;
}

std::vector<std::string> split(const std::string& s, char delim)
{
    std::vector<std::string> elems;
    split(s, delim, elems);
    return elems;
}
