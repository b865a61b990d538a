// progress.cpp -- the terminal progress line.
#include "progress.h"

#include <cstdio>
#include <unistd.h>

#include "line_source.h"

progress::progress(bool wanted, const line_source& in) : on_(wanted && isatty(2)), shared_(on_ && isatty(1)), in_(in)
{
    start_ = last_ = std::chrono::steady_clock::now();
}

void progress::read_to()
{
    if (on_) read_.store(in_.plain_size() > 0 ? in_.consumed() : in_.compressed_read(), std::memory_order_relaxed);
}

void progress::update(long done)
{
    if (!on_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    show(done);
}

void progress::show(long done)
{
    double secs = std::chrono::duration<double>(last_ - start_).count();
    double rate = secs > 0 ? done / secs : 0;
    char text[160];
    int n = std::snprintf(text, sizeof text, "\rtamsel: %ld SNPs, %.0f SNPs/s", done, rate);
    const unsigned long long size = in_.plain_size() > 0 ? in_.plain_size() : in_.compressed_size();
    const unsigned long long read = read_.load(std::memory_order_relaxed);
    if (size > 0 && read > 0 && read <= size) {
        double share = static_cast<double>(read) / size;
        long total = static_cast<long>(done / share + 0.5);
        const long left = share > 0 ? static_cast<long>(secs / share - secs) : 0;
        std::snprintf(text + n, sizeof text - n, " of about %ld (%.0f%%), %ld min %02ld s left", total,
                      100 * share, left / 60, left % 60);
    }
    std::fputs(text, stderr);
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
    shown_ = true;
}

void progress::before_console()
{
    if (!shared_ || !shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

void progress::after_console(long done)
{
    if (shared_ && shown_) show(done);
}

void progress::finish()
{
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}
