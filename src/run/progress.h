// progress.h -- one progress line on a terminal's standard error.
#ifndef TAMSEL_RUN_PROGRESS_H
#define TAMSEL_RUN_PROGRESS_H

#include <atomic>
#include <chrono>

class line_source;

// Shows SNPs done, the rate and, for a regular file (plain, or gzip and BGZF by
// their compressed bytes), the share read and the time
// left, updated in place a few times a second. Silent unless standard error is
// a terminal; nothing reaches standard output or the files.
class progress {
public:
    progress(bool wanted, const line_source& in);
    // Called on the reading thread after each row: how far the input is read.
    void read_to();
    // The rest on the thread that writes the results.
    void update(long done);
    // Around standard-output text: when both streams are one terminal the
    // line is erased first and drawn again after, so the two never share a line.
    void before_console();
    void after_console(long done);
    // Clears the line.
    void finish();

private:
    void show(long done);
    bool on_ = false, shown_ = false, shared_ = false;
    const line_source& in_;
    std::atomic<unsigned long long> read_{0};
    std::chrono::steady_clock::time_point start_, last_;
};

#endif
