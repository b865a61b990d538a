// spool.cpp -- unnamed temporary files and BGZF blocks made in memory.
#include "spool.h"
#include "write_all.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include <htslib/bgzf.h>

int open_spool(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // File systems without O_TMPFILE: a named file, unlinked at once.
    std::string name = folder + "/.tamsel-records-XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    fd = mkostemp(buf.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(buf.data());
    return fd;
}

int copy_spool(int from, int to)
{
    if (lseek(from, 0, SEEK_SET) != 0) return errno;
    // The kernel copies (or shares the blocks of) the data where it can.
    for (;;) {
        ssize_t n = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF) return errno;
        break;
    }
    std::vector<char> buf(1 << 20);
    for (;;) {
        ssize_t n = ::read(from, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (int err = write_all(to, buf.data(), static_cast<size_t>(n))) return err;
    }
}

bool bgzf_blocks(const std::string& bytes, std::string& out, int level)
{
    std::vector<char> block(BGZF_MAX_BLOCK_SIZE);
    for (size_t at = 0; at < bytes.size(); at += BGZF_BLOCK_SIZE) {
        size_t len = std::min<size_t>(BGZF_BLOCK_SIZE, bytes.size() - at);
        size_t block_len = block.size();
        if (bgzf_compress(block.data(), &block_len, bytes.data() + at, len, level) != 0) return false;
        out.append(block.data(), block_len);
    }
    return true;
}
