// text_output.h -- the converted intensities, to a file or standard output.
//
// A file is written under a temporary name beside OUT and renamed to OUT only
// after its last byte was written and closed, so an interrupted or failed
// conversion never leaves something at OUT that looks complete. OUT ending in
// ".gz" is BGZF-compressed. Every write is checked.
#ifndef TAMSEL_IMPORT_TEXT_OUTPUT_H
#define TAMSEL_IMPORT_TEXT_OUTPUT_H

#include <string>

struct BGZF;

class text_output {
public:
    // OUT empty means standard output (plain text).
    explicit text_output(const std::string& out);
    text_output(const text_output&) = delete;
    text_output& operator=(const text_output&) = delete;
    // Without commit(), the temporary file is removed.
    ~text_output();

    void write(const std::string& s)
    {
        buf_ += s;
        if (buf_.size() >= (1u << 20)) flush();
    }
    // Flushes, closes and moves the file to OUT; throws import_error
    // "could not write OUT: reason".
    void commit();
    // Where temporary files of this run belong: OUT's folder, else $TMPDIR or /tmp.
    const std::string& scratch_folder() const { return folder_; }
    // True once bytes left the buffer (for standard output: cannot be taken back).
    bool wrote() const { return wrote_; }

private:
    void flush();
    [[noreturn]] void fail(int err);
    std::string out_, tmp_, folder_, buf_;
    int fd_ = -1;
    BGZF* z_ = nullptr;
    bool wrote_ = false;
};

#endif
