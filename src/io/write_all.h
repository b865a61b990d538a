// write_all.h -- every byte of a buffer to a file descriptor.
#ifndef TAMSEL_IO_WRITE_ALL_H
#define TAMSEL_IO_WRITE_ALL_H

#include <cerrno>
#include <cstddef>
#include <unistd.h>

// Writes the n bytes at p to fd, going on after a short write or a signal.
// Returns 0, or the errno of the write that failed.
inline int write_all(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return 0;
}

#endif
