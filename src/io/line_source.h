// line_source.h -- the lines of a plain, gzip or BGZF text file, or of standard input.
//
// The compression is recognised from the content, not the name, so a pipe and
// a file read alike. A line ends at LF, CRLF or a CR alone; a UTF-8 byte-order
// mark at the start of the file is skipped. Each line is held NUL-terminated
// with its line end kept, so the splitter sees it as a file line.
#ifndef TAMSEL_IO_LINE_SOURCE_H
#define TAMSEL_IO_LINE_SOURCE_H

#include <cstdint>
#include <string>
#include <vector>

struct BGZF;
struct hFILE;

class line_source {
public:
    line_source() = default;
    line_source(const line_source&) = delete;
    line_source& operator=(const line_source&) = delete;
    ~line_source();

    // Opens PATH ("-" for standard input); false when it cannot be opened.
    // threads > 1 lets BGZF blocks be decompressed on extra threads.
    bool open(const std::string& path, int threads = 0);
    // The same over h, a stream opened by the caller, which this takes over
    // when it returns true; path names it in messages.
    bool open(hFILE* h, const std::string& path, int threads = 0);
    // Reads the next line; false at the end of the input. Throws input_error
    // when the compressed stream is corrupt or cut short.
    bool next();

    char* line() { return line_.data(); }
    size_t length() const { return len_; }
    // Hands the line last read over to other (NUL-terminated, line end kept),
    // taking other's storage for the next line.
    void swap_line(std::vector<char>& other);
    // 1-based number of the line last read.
    long line_no() const { return line_no_; }
    // True once reading has reached the end of the input.
    bool at_end() const { return eof_ && pos_ >= end_; }
    // True when the line last read ended at the end of the input, without a line end.
    bool unterminated() const { return unterminated_; }
    const std::string& path() const { return path_; }
    // Bytes of the (uncompressed) input consumed so far, and the size of a plain
    // regular file (0 when unknown), for a progress estimate.
    unsigned long long consumed() const { return consumed_; }
    unsigned long long plain_size() const { return plain_size_; }
    // The same for a compressed regular file, in compressed bytes.
    unsigned long long compressed_read() const;
    unsigned long long compressed_size() const { return compressed_size_; }

    // True for a plain or BGZF file, whose lines can be found again by tell/seek;
    // false for standard input and plain gzip.
    bool seekable() const;
    // Where the next line starts: a BGZF virtual offset (a plain file counts as
    // one made of 64 KiB blocks). Throws input_error like next().
    uint64_t tell();
    // Goes back or ahead to a place tell() gave; last_line is the number of the
    // line before it. False when the input cannot seek there.
    bool seek(uint64_t where, long last_line);

private:
    bool fill();
    // Where the next c at or after pos_ is in buf_ (end_ when none); at caches it.
    size_t next_of(char c, size_t& at) const;
    [[noreturn]] void corrupt();
    std::string path_;
    BGZF* f_ = nullptr;
    std::vector<char> buf_ = std::vector<char>(1 << 16);
    size_t pos_ = 0, end_ = 0;
    static constexpr size_t unknown = static_cast<size_t>(-1);
    size_t lf_ = unknown, cr_ = unknown;  // next LF and CR in buf_, when known
    uint64_t fill_at_ = 0;  // virtual offset of buf_[0]
    bool eof_ = false, started_ = false, unterminated_ = false;
    bool piped_ = false;  // plain text that is not a regular file
    std::vector<char> line_ = std::vector<char>(1 << 16);
    size_t len_ = 0;
    long line_no_ = 0;
    unsigned long long consumed_ = 0, plain_size_ = 0, compressed_size_ = 0;
};

#endif
