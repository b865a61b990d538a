// text_output.cpp -- checked, all-or-nothing output of the converted file.
#include "text_output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <htslib/bgzf.h>

#include "import_error.h"
#include "../io/write_all.h"

namespace {

bool ends_with(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

text_output::text_output(const std::string& out) : out_(out)
{
    if (out.empty()) {
        const char* t = std::getenv("TMPDIR");
        folder_ = t && *t ? t : "/tmp";
        fd_ = STDOUT_FILENO;
        return;
    }
    size_t slash = out.rfind('/');
    folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : out.substr(0, slash);
    tmp_ = out + ".partial-XXXXXX";
    fd_ = mkstemp(&tmp_[0]);
    if (fd_ < 0) {
        tmp_.clear();
        fail(errno);
    }
    // mkstemp makes the file private; the result gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, 0666 & ~mask) != 0) fail(errno);
    if (ends_with(out, ".gz")) {
        int fd = dup(fd_);
        if (fd < 0) fail(errno);
        z_ = bgzf_dopen(fd, "w");
        if (!z_) {
            ::close(fd);
            fail(errno ? errno : EIO);
        }
    }
}

text_output::~text_output()
{
    if (z_) bgzf_close(z_);
    if (fd_ > STDOUT_FILENO) ::close(fd_);
    if (!tmp_.empty()) unlink(tmp_.c_str());
}

void text_output::fail(int err)
{
    throw import_error("could not write " + (out_.empty() ? std::string("standard output") : out_) + ": " +
                       std::strerror(err));
}

void text_output::flush()
{
    if (buf_.empty()) return;
    wrote_ = true;
    if (z_) {
        errno = 0;
        if (bgzf_write(z_, buf_.data(), buf_.size()) != static_cast<ssize_t>(buf_.size())) fail(errno ? errno : EIO);
        buf_.clear();
        return;
    }
    if (int err = write_all(fd_, buf_.data(), buf_.size())) fail(err);
    buf_.clear();
}

void text_output::commit()
{
    flush();
    if (z_) {
        BGZF* z = z_;
        z_ = nullptr;
        errno = 0;
        if (bgzf_close(z) != 0) fail(errno ? errno : EIO);
    }
    if (out_.empty()) return;
    int fd = fd_;
    fd_ = -1;
    // A full disk may refuse the data only at fsync or close.
    if (fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        fail(err);
    }
    if (::close(fd) != 0) fail(errno);
    if (std::rename(tmp_.c_str(), out_.c_str()) != 0) fail(errno);
    tmp_.clear();
}
