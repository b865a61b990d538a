// spill_file.h -- the pivot's temporary file: sample groups are appended to it
// as rows, then read back in parallel, each group through its own window.
// The file is unlinked as soon as it is made, so nothing is left behind
// whatever way the program ends.
#ifndef TAMSEL_IMPORT_SPILL_FILE_H
#define TAMSEL_IMPORT_SPILL_FILE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class spill_file {
public:
    // A new anonymous file in FOLDER; throws import_error when it cannot be made.
    explicit spill_file(const std::string& folder);
    spill_file(const spill_file&) = delete;
    spill_file& operator=(const spill_file&) = delete;
    ~spill_file();

    // Appends everything; throws import_error on a short or failed write.
    void append(const std::string& s);
    // Up to n bytes at offset; throws import_error on a read failure.
    size_t read_at(char* p, size_t n, uint64_t offset) const;
    uint64_t size() const { return size_; }

private:
    [[noreturn]] void fail(const char* what, int err) const;
    std::string folder_;
    int fd_ = -1;
    uint64_t size_ = 0;
};

// Lines ('\n'-terminated) of one byte range of a spill file, through a window
// of a fixed size that grows only for a line longer than itself.
class spill_reader {
public:
    spill_reader(const spill_file& f, uint64_t begin, uint64_t end, size_t window);
    // The next line without its '\n'; valid until the next call.
    std::string_view next();

private:
    const spill_file* f_;
    uint64_t pos_, end_;
    std::vector<char> buf_;
    size_t start_ = 0, stop_ = 0;
};

#endif
