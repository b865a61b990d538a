// spill_file.cpp -- checked appends to and windowed reads from the temporary file.
#include "spill_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "import_error.h"

spill_file::spill_file(const std::string& folder) : folder_(folder)
{
    std::string name = folder + "/.tamsel-import-XXXXXX";
    fd_ = mkstemp(&name[0]);
    if (fd_ < 0) fail("create", errno);
    unlink(name.c_str());
}

spill_file::~spill_file()
{
    if (fd_ >= 0) ::close(fd_);
}

void spill_file::fail(const char* what, int err) const
{
    throw import_error(std::string("could not ") + what + " the temporary file in " + folder_ + ": " +
                       std::strerror(err) + " (set TMPDIR or write OUT to a folder with more room)");
}

void spill_file::append(const std::string& s)
{
    const char* p = s.data();
    size_t left = s.size();
    while (left > 0) {
        ssize_t n = ::pwrite(fd_, p, left, static_cast<off_t>(size_));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write", errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
        size_ += static_cast<uint64_t>(n);
    }
}

size_t spill_file::read_at(char* p, size_t n, uint64_t offset) const
{
    for (;;) {
        ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) fail("read", errno);
    }
}

spill_reader::spill_reader(const spill_file& f, uint64_t begin, uint64_t end, size_t window)
    : f_(&f), pos_(begin), end_(end), buf_(window)
{
}

std::string_view spill_reader::next()
{
    size_t scanned = start_;
    for (;;) {
        const void* nl = std::memchr(buf_.data() + scanned, '\n', stop_ - scanned);
        if (nl) {
            size_t at = static_cast<size_t>(static_cast<const char*>(nl) - buf_.data());
            std::string_view line(buf_.data() + start_, at - start_);
            start_ = at + 1;
            return line;
        }
        if (pos_ >= end_) throw import_error("the temporary file of the pivot ends early");
        std::memmove(buf_.data(), buf_.data() + start_, stop_ - start_);
        stop_ -= start_;
        scanned = stop_;
        start_ = 0;
        if (stop_ == buf_.size()) buf_.resize(buf_.size() * 2);
        size_t want = buf_.size() - stop_;
        if (want > end_ - pos_) want = static_cast<size_t>(end_ - pos_);
        size_t got = f_->read_at(buf_.data() + stop_, want, pos_);
        if (got == 0) throw import_error("the temporary file of the pivot ends early");
        pos_ += got;
        stop_ += got;
    }
}
