// report_source.h -- the lines of a report, whether it is plain text, gzip or
// BGZF (read through htslib) or the one file inside a zip archive (libzip).
#ifndef TAMSEL_IMPORT_REPORT_SOURCE_H
#define TAMSEL_IMPORT_REPORT_SOURCE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <string_view>
#include <vector>

class byte_stream {
public:
    virtual ~byte_stream() = default;
    // Up to n bytes into p; 0 at the end; throws import_error on a read failure.
    virtual size_t read(char* p, size_t n) = 0;
};

// A line of only blanks, tabs and commas (an empty CSV row) holds no data.
inline bool blank_line(std::string_view s) { return s.find_first_not_of(" \t,") == std::string_view::npos; }

class report_source {
public:
    // Opens PATH; throws import_error naming it when it cannot be read.
    explicit report_source(const std::string& path);
    ~report_source();

    // The next line without its line end ("\n", "\r\n" or a lone "\r" before
    // "\n"); false at the end of the input.
    bool next(std::string_view& line);
    long line_no() const { return line_no_; }
    // Bytes of (uncompressed) report text consumed so far.
    uint64_t bytes() const { return consumed_; }
    const std::string& path() const { return path_; }

private:
    bool fill();
    std::string path_;
    std::unique_ptr<byte_stream> in_;
    std::vector<char> buf_;
    size_t start_ = 0, end_ = 0;
    bool eof_ = false;
    long line_no_ = 0;
    uint64_t consumed_ = 0;
};

// The report's data lines that are not blank: those read ahead to tell the
// report's order first (with their line numbers), then the rest of in.
class data_lines {
public:
    data_lines(report_source& in, std::vector<std::pair<long, std::string>> ahead)
        : in_(in), ahead_(std::move(ahead))
    {
    }
    bool next(std::string_view& line)
    {
        if (next_ahead_ < ahead_.size()) {
            line_no_ = ahead_[next_ahead_].first;
            line = ahead_[next_ahead_++].second;
            return true;
        }
        while (in_.next(line)) {
            line_no_ = in_.line_no();
            if (!blank_line(line)) return true;
        }
        return false;
    }
    // The line number of the line last given.
    long line_no() const { return line_no_; }

private:
    report_source& in_;
    std::vector<std::pair<long, std::string>> ahead_;
    size_t next_ahead_ = 0;
    long line_no_ = 0;
};

#endif
