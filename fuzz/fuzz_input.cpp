// fuzz_input.cpp -- the in-memory input file and the quiet console.
#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <streambuf>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

memfile::memfile()
{
    fd_ = memfd_create("tamsel-fuzz", 0);
    if (fd_ < 0) fail("memfd_create failed");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

memfile::~memfile()
{
    if (fd_ >= 0) close(fd_);
}

void memfile::write(const uint8_t* data, size_t size)
{
    if (ftruncate(fd_, 0) != 0) fail("cannot empty the in-memory input");
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) fail("cannot write the in-memory input");
        done += static_cast<size_t>(n);
    }
}

namespace {

// Swallows everything written to it.
class null_buffer : public std::streambuf {
protected:
    int overflow(int c) override { return c == EOF ? 0 : c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

void quiet_console()
{
    // Lives as long as the process: the streams keep pointing at it.
    static null_buffer nothing;
    std::cout.rdbuf(&nothing);
    std::cerr.rdbuf(&nothing);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        std::fflush(stdout);
        dup2(null, 1);
        close(null);
    }
}

void fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

std::vector<std::string> reference_lines(const uint8_t* data, size_t size)
{
    size_t i = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    std::vector<std::string> lines;
    std::string cur;
    for (; i < size; ++i) {
        cur += static_cast<char>(data[i]);
        if (data[i] == '\n' || data[i] == '\r') {
            if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') cur += data[++i];
            lines.push_back(cur);
            cur.clear();
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

bool compressed(const uint8_t* data, size_t size)
{
    return size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
}

}  // namespace fuzz
