// report_source.cpp -- opening a report and cutting it into lines.
#include "report_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <htslib/bgzf.h>
#include <zip.h>

#include "import_error.h"

namespace {

// Plain text, gzip and BGZF alike: htslib recognises the compression itself.
class bgzf_stream : public byte_stream {
public:
    explicit bgzf_stream(const std::string& path) : path_(path)
    {
        errno = 0;
        z_ = bgzf_open(path.c_str(), "r");
        if (!z_) throw import_error("could not open " + path + ": " + std::strerror(errno ? errno : EIO));
    }
    ~bgzf_stream() override { bgzf_close(z_); }
    size_t read(char* p, size_t n) override
    {
        ssize_t got = bgzf_read(z_, p, n);
        if (got < 0) throw import_error("could not read " + path_ + ": corrupt or truncated compressed data");
        return static_cast<size_t>(got);
    }

private:
    std::string path_;
    BGZF* z_ = nullptr;
};

// A zip archive holding exactly one file (folders aside), read through libzip.
class zip_stream : public byte_stream {
public:
    explicit zip_stream(const std::string& path) : path_(path)
    {
        int err = 0;
        archive_ = zip_open(path.c_str(), ZIP_RDONLY, &err);
        if (!archive_) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, err);
            std::string why = zip_error_strerror(&ze);
            zip_error_fini(&ze);
            throw import_error("could not open " + path + ": " + why);
        }
        zip_int64_t n = zip_get_num_entries(archive_, 0), found = -1;
        for (zip_int64_t i = 0; i < n; ++i) {
            const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
            size_t len = name ? std::strlen(name) : 0;
            if (len > 0 && name[len - 1] == '/') continue;
            if (found >= 0) fail("the archive holds more than one file; unpack the report first");
            found = i;
        }
        if (found < 0) fail("the archive holds no file");
        file_ = zip_fopen_index(archive_, static_cast<zip_uint64_t>(found), 0);
        if (!file_) fail(zip_strerror(archive_));
    }
    ~zip_stream() override
    {
        if (file_) zip_fclose(file_);
        zip_discard(archive_);
    }
    size_t read(char* p, size_t n) override
    {
        zip_int64_t got = zip_fread(file_, p, n);
        if (got < 0) fail(zip_file_strerror(file_));
        return static_cast<size_t>(got);
    }

private:
    [[noreturn]] void fail(const std::string& why) { throw import_error("could not read " + path_ + ": " + why); }
    std::string path_;
    zip_t* archive_ = nullptr;
    zip_file_t* file_ = nullptr;
};

bool is_zip(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw import_error("could not open " + path + ": " + std::strerror(errno));
    unsigned char magic[4] = {0, 0, 0, 0};
    size_t n = std::fread(magic, 1, 4, f);
    std::fclose(f);
    return n == 4 && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4;
}

}  // namespace

report_source::report_source(const std::string& path) : path_(path), buf_(1 << 20)
{
    if (is_zip(path)) in_ = std::make_unique<zip_stream>(path);
    else in_ = std::make_unique<bgzf_stream>(path);
}

report_source::~report_source() = default;

// Moves the unread bytes to the front and reads more; false when nothing came.
bool report_source::fill()
{
    if (eof_) return false;
    if (start_ > 0) {
        std::memmove(buf_.data(), buf_.data() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
    }
    // A line longer than the buffer (a wide table with many samples) doubles it.
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
    size_t got = in_->read(buf_.data() + end_, buf_.size() - end_);
    if (got == 0) eof_ = true;
    end_ += got;
    return got > 0;
}

bool report_source::next(std::string_view& line)
{
    size_t scanned = start_;
    for (;;) {
        const void* nl = std::memchr(buf_.data() + scanned, '\n', end_ - scanned);
        if (nl) {
            size_t at = static_cast<size_t>(static_cast<const char*>(nl) - buf_.data());
            size_t len = at - start_;
            if (len > 0 && buf_[at - 1] == '\r') --len;
            line = std::string_view(buf_.data() + start_, len);
            consumed_ += at + 1 - start_;
            start_ = at + 1;
            ++line_no_;
            return true;
        }
        scanned = end_ - start_;
        if (!fill()) break;
    }
    if (start_ == end_) return false;
    // The last line had no line end.
    size_t len = end_ - start_;
    if (buf_[end_ - 1] == '\r') --len;
    line = std::string_view(buf_.data() + start_, len);
    consumed_ += end_ - start_;
    start_ = end_;
    ++line_no_;
    return true;
}
