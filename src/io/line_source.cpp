// line_source.cpp -- buffered line reading through htslib's BGZF layer, which
// reads plain text, gzip and BGZF alike.
#include "line_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include <htslib/bgzf.h>
#include <htslib/hfile.h>

#include "result.h"

line_source::~line_source()
{
    if (f_) bgzf_close(f_);
}

bool line_source::open(const std::string& path, int threads)
{
    hFILE* h = hopen(path.c_str(), "r");
    if (!h) return false;
    if (open(h, path, threads)) return true;
    hclose_abruptly(h);
    return false;
}

unsigned long long line_source::compressed_read() const
{
    if (!f_ || !f_->is_compressed) return 0;
    // BGZF: the block being read, as the reading thread knows it; gzip is read
    // on this thread, so its file offset is the one to take.
    const long long at = f_->is_gzip ? static_cast<long long>(htell(f_->fp)) : bgzf_tell(f_) >> 16;
    return at > 0 ? static_cast<unsigned long long>(at) : 0;
}

bool line_source::open(hFILE* h, const std::string& path, int threads)
{
    path_ = path;
    f_ = bgzf_hopen(h, "r");
    if (!f_) return false;
    if (threads > 1 && f_->is_compressed) bgzf_mt(f_, threads, 64);
    struct stat st;
    const bool regular = path != "-" && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (!f_->is_compressed && regular) plain_size_ = static_cast<unsigned long long>(st.st_size);
    if (f_->is_compressed && regular) compressed_size_ = static_cast<unsigned long long>(st.st_size);
    piped_ = !f_->is_compressed && !regular;
    return true;
}

void line_source::corrupt()
{
    throw input_error(path_ + " line " + std::to_string(line_no_ + 1) +
                      ": the compressed data are damaged or cut short");
}

bool line_source::fill()
{
    if (eof_) return false;
    ssize_t n;
    if (piped_) {
        // Plain text from a pipe is read at most up to a line end, so rows
        // arriving slowly are fitted as they come, not once a block has arrived.
        n = hgetln(buf_.data(), buf_.size(), f_->fp);
        if (n < 0) corrupt();
    } else {
        // One block per fill, so that every line start has a virtual offset: the
        // first byte comes through htslib's block loading, then the rest of that block.
        n = bgzf_read(f_, buf_.data(), 1);
        if (n < 0) corrupt();
        if (n > 0) {
            fill_at_ = static_cast<uint64_t>(bgzf_tell(f_)) - 1;
            const ssize_t rest = std::min<ssize_t>(f_->block_length - f_->block_offset, buf_.size() - 1);
            if (rest > 0) {
                if (bgzf_read(f_, buf_.data() + 1, rest) != rest) corrupt();
                n += rest;
            }
        }
    }
    if (n == 0) {
        eof_ = true;
        // A gzip stream cut inside a member is reported by the read above; a
        // BGZF file cut at a block boundary is known only by its missing end block.
        if (f_->is_compressed && !f_->is_gzip && !f_->last_block_eof) corrupt();
        return false;
    }
    pos_ = 0;
    end_ = static_cast<size_t>(n);
    lf_ = cr_ = unknown;
    if (!started_) {
        started_ = true;
        if (end_ >= 3 && std::memcmp(buf_.data(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    }
    return true;
}

size_t line_source::next_of(char c, size_t& at) const
{
    // Each byte of the buffer is searched once for each kind of line end.
    if (at == unknown || at < pos_) {
        const void* p = std::memchr(buf_.data() + pos_, c, end_ - pos_);
        at = p ? static_cast<size_t>(static_cast<const char*>(p) - buf_.data()) : end_;
    }
    return at;
}

bool line_source::next()
{
    len_ = 0;
    unterminated_ = false;
    bool cr = false;
    for (;;) {
        if (pos_ >= end_ && !fill()) break;
        if (cr) {
            // A CR followed by LF ends the line there; a CR alone is a line end of its own.
            if (buf_[pos_] == '\n') {
                line_[len_++] = '\n';
                ++pos_;
                ++consumed_;
            }
            cr = false;
            goto done;
        }
        const char* s = buf_.data() + pos_;
        size_t avail = end_ - pos_;
        const size_t k = std::min(next_of('\n', lf_), next_of('\r', cr_)) - pos_;
        bool found = k < avail;
        size_t take = found ? k + 1 : k;
        if (len_ + take + 2 > line_.size()) line_.resize((len_ + take + 2) * 2);
        std::memcpy(line_.data() + len_, s, take);
        len_ += take;
        pos_ += take;
        consumed_ += take;
        if (!found) continue;
        if (s[k] == '\n') goto done;
        cr = true;
    }
    if (len_ == 0 && !cr) {
        line_[0] = '\0';
        return false;
    }
    unterminated_ = !cr;
done:
    line_[len_] = '\0';
    ++line_no_;
    return true;
}

void line_source::swap_line(std::vector<char>& other)
{
    other.swap(line_);
    if (line_.size() < 2) line_.resize(1 << 16);
    len_ = 0;
    line_[0] = '\0';
}

bool line_source::seekable() const
{
    return f_ && path_ != "-" && !f_->is_gzip && !piped_;
}

uint64_t line_source::tell()
{
    // A line that starts a block is addressed in that block, not past the end of the one before.
    if (pos_ >= end_) fill();
    return fill_at_ + pos_;
}

bool line_source::seek(uint64_t where, long last_line)
{
    if (!seekable() || bgzf_seek(f_, static_cast<int64_t>(where), SEEK_SET) < 0) return false;
    pos_ = end_ = 0;
    lf_ = cr_ = unknown;
    eof_ = false;
    started_ = true;
    unterminated_ = false;
    line_no_ = last_line;
    if (!f_->is_compressed) consumed_ = (where >> 16) + (where & 0xFFFF);
    return true;
}
