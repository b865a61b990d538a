// report_source.h -- the lines of a report, whether it is plain text, gzip or
// BGZF (read through htslib) or the one file inside a zip archive (libzip).
#ifndef TAMSEL_IMPORT_REPORT_SOURCE_H
#define TAMSEL_IMPORT_REPORT_SOURCE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class byte_stream {
public:
    virtual ~byte_stream() = default;
    // Up to n bytes into p; 0 at the end; throws import_error on a read failure.
    virtual size_t read(char* p, size_t n) = 0;
};

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

#endif
