// line_reader.h -- whole lines from a C stream into one growing buffer.
#ifndef TAMSEL_LINE_READER_H
#define TAMSEL_LINE_READER_H

#include <cstdio>
#include <cstring>
#include <vector>

// One buffer serves every line of a file. It starts at 7 MiB, enough for several
// thousand individuals, and doubles whenever a line does not fit, so a line is
// never cut into two rows however wide the file is.
class line_reader {
public:
    explicit line_reader(FILE* f, size_t initial = 7 * 1024 * 1024) : f_(f), buf_(initial) {}

    // Reads the next line, line end included; false when no line could be read.
    bool next()
    {
        size_t len = 0;
        buf_[0] = '\0';
        for (;;) {
            if (!std::fgets(buf_.data() + len, static_cast<int>(buf_.size() - len), f_)) break;
            len += std::strlen(buf_.data() + len);
            if (len > 0 && buf_[len - 1] == '\n') break;
            if (len + 1 < buf_.size()) continue;  // a NUL inside the line: keep reading
            buf_.resize(buf_.size() * 2);
        }
        ++line_no_;
        return len > 0;
    }

    char* line() { return buf_.data(); }
    long line_no() const { return line_no_; }
    bool at_end() const { return std::feof(f_) != 0; }

private:
    FILE* f_;
    std::vector<char> buf_;
    long line_no_ = 0;
};

#endif
