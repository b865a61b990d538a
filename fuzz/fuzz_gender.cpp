// fuzz_gender.cpp -- the gender reader on arbitrary bytes: parse_gender on
// each line in memory, read_gender on the same bytes as a file. For a plain
// input both must give the codes of a plain reading of the rule: one atoi per
// line, up to the first line that starts with a byte up to 13 or above 127.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "gender_file.h"
#include "result.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One in-memory file for the whole process.
    static fuzz::memfile file;
    std::vector<int> want, parsed;
    bool stopped = false;
    for (const std::string& line : fuzz::reference_lines(data, size)) {
        const unsigned char first = static_cast<unsigned char>(line[0]);
        if (first <= 13 || first >= 128) break;
        want.push_back(std::atoi(line.c_str()));
    }
    for (const std::string& line : fuzz::reference_lines(data, size)) {
        parse_gender(line.c_str(), stopped, parsed);
        if (stopped) break;
    }
    if (parsed != want) fuzz::fail("parse_gender read other codes");

    file.write(data, size);
    std::vector<int> read;
    try {
        if (!read_gender(file.path(), read)) fuzz::fail("cannot open the in-memory input");
    } catch (const input_error&) {
        // Damaged compressed data; a plain file never stops the reader.
        if (!fuzz::compressed(data, size)) fuzz::fail("a plain gender file stopped the reader");
        return 0;
    }
    if (!fuzz::compressed(data, size) && read != want) fuzz::fail("read_gender read other codes");
    return 0;
}
