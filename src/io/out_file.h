// out_file.h -- one output file whose every write is checked.
//
// A file is claimed in two steps so that no existing result is emptied before
// every output of the run is known to be writable: claim() opens (creating when
// needed, never truncating) and locks it; start() truncates it. Plain files are
// written through a buffer that flush() hands to the system whole, so a row is
// never split by a stopped run; with a compression the file is BGZF-compressed
// at its level, on its thread pool.
#ifndef TAMSEL_IO_OUT_FILE_H
#define TAMSEL_IO_OUT_FILE_H

#include <string>
#include <sys/types.h>

#include "compression.h"

struct BGZF;

class out_file {
public:
    out_file() = default;
    out_file(const out_file&) = delete;
    out_file& operator=(const out_file&) = delete;
    ~out_file();

    // Opens PATH for writing without truncating it and takes an advisory lock
    // for the run. Throws write_error ("could not open PATH: reason", or a
    // message naming the file another run holds). With z the file is BGZF.
    void claim(const std::string& path, shared_compression z = nullptr);
    // Empties the file and makes it ready for writing.
    void start();
    void write(const char* p, size_t n) { buf_.append(p, n); }
    void write(const std::string& s) { buf_ += s; }
    // Hands everything written so far to the system (plain) or to the compressor.
    void flush();
    // Flushes and closes; throws write_error on failure. Safe to call twice.
    void close();

    const std::string& path() const { return path_; }
    dev_t device() const { return dev_; }
    ino_t inode() const { return ino_; }
    bool is_open() const { return fd_ >= 0; }
    // The claimed descriptor, for a writer that hands it to a library (for
    // example htslib's hdopen on a dup of it); out_file still closes its own.
    int fd() const { return fd_; }

private:
    [[noreturn]] void fail(const char* what, int err);
    std::string path_, buf_;
    int fd_ = -1;
    bool created_ = false, started_ = false;
    // Declared before z_: the pool outlives the stream that queues blocks on it.
    shared_compression how_;
    BGZF* z_ = nullptr;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

#endif
