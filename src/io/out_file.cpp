// out_file.cpp -- checked writes to a plain or BGZF-compressed output file.
#include "out_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <htslib/bgzf.h>

#include "result.h"
#include "write_all.h"

out_file::~out_file()
{
    // Destruction after a failure must not throw: close quietly.
    if (z_) bgzf_close(z_);
    if (fd_ >= 0) ::close(fd_);
    // A run refused before it started leaves no file it created behind.
    if (created_ && !started_) ::unlink(path_.c_str());
}

void out_file::fail(const char* what, int err)
{
    throw write_error(std::string("could not ") + what + " " + path_ + ": " + std::strerror(err));
}

void out_file::claim(const std::string& path, shared_compression z)
{
    path_ = path;
    how_ = std::move(z);
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created_ = fd_ >= 0;
    if (fd_ < 0 && errno == EEXIST) fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) throw open_error(path_);
    // Two runs writing one file would interleave their rows: the second is refused.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        if (err == EWOULDBLOCK)
            throw write_error("could not write " + path_ + ": another tamsel run is writing it");
        fail("lock", err);
    }
    struct stat st;
    if (fstat(fd_, &st) != 0) fail("open", errno);
    dev_ = st.st_dev;
    ino_ = st.st_ino;
}

void out_file::start()
{
    started_ = true;
    struct stat st;
    // Truncating a pipe or terminal fails and is not needed.
    if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(fd_, 0) != 0) fail("write", errno);
    if (!how_) return;
    int fd = dup(fd_);
    if (fd < 0) fail("write", errno);
    z_ = bgzf_dopen(fd, how_->mode("w").c_str());
    if (!z_) {
        ::close(fd);
        fail("write", errno ? errno : EIO);
    }
    if (how_->pool() && bgzf_thread_pool(z_, how_->pool(), 0) != 0) fail("write", ENOMEM);
}

void out_file::flush()
{
    if (buf_.empty()) return;
    if (z_) {
        errno = 0;
        if (bgzf_write(z_, buf_.data(), buf_.size()) != static_cast<ssize_t>(buf_.size()))
            fail("write", errno ? errno : EIO);
        buf_.clear();
        return;
    }
    if (int err = write_all(fd_, buf_.data(), buf_.size())) fail("write", err);
    buf_.clear();
}

void out_file::close()
{
    if (fd_ < 0) return;
    flush();
    if (z_) {
        BGZF* z = z_;
        z_ = nullptr;
        errno = 0;
        if (bgzf_close(z) != 0) {
            ::close(fd_);
            fd_ = -1;
            fail("write", errno ? errno : EIO);
        }
    }
    int fd = fd_;
    fd_ = -1;
    // The data of a full disk can be refused only at close or fsync on some file systems.
    if (::close(fd) != 0) fail("write", errno);
}
