// fuzz_input.h -- what the fuzz targets share: the input as a file that the
// readers can open by name, and a quiet console.
#ifndef TAMSEL_FUZZ_INPUT_H
#define TAMSEL_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// An in-memory file (memfd) that is rewritten for every input; line_source
// opens it again through /proc/self/fd, as it would open any path.
class memfile {
public:
    memfile();
    ~memfile();
    memfile(const memfile&) = delete;
    memfile& operator=(const memfile&) = delete;
    // Replaces the content; aborts when the file cannot be written.
    void write(const uint8_t* data, size_t size);
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Sends standard output (the descriptor and std::cout) and std::cerr nowhere,
// so the fuzzer's own report stays readable; sanitizer reports still reach
// descriptor 2.
void quiet_console();

// Aborts with a message: the fuzzer records the input as a crash.
[[noreturn]] void fail(const std::string& what);

// The lines of a plain text as line_source is meant to give them: a UTF-8
// byte-order mark skipped, each line ending at LF, CRLF or a CR alone, its
// line end kept, a last line without one kept too.
std::vector<std::string> reference_lines(const uint8_t* data, size_t size);

// True when the bytes start like gzip or BGZF, which line_source decompresses.
bool compressed(const uint8_t* data, size_t size);

}  // namespace fuzz

#endif
