// shard.h -- runs of a row range that give what a whole run gives for those
// rows: the index pass over an input, and where a run of rows F to L resumes.
//
// With -a every fitted SNP draws 2 x nind deviates from the one process-wide
// generator, in row order, so a SNP's perturbation noise depends on how many
// fitted SNPs precede it. The index records, at checkpoint rows, the seeds the
// generator has reached there; a range run restores the seeds of the checkpoint
// at or before its first row and draws (and drops) the deviates of the fitted
// rows between the two, which the index also lists.
#ifndef TAMSEL_RUN_SHARD_H
#define TAMSEL_RUN_SHARD_H

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "options.h"

class line_source;

// The state of the generator between two SNPs.
struct stream_seeds {
    long seed1 = 0, seed2 = 0;
};

// The seeds reached so far; seeds the generator as its first draw would when
// nothing has been drawn yet, so the stream goes on unchanged.
stream_seeds stream_position();
void resume_stream(const stream_seeds& s);

// The perturbation deviates of one fitted SNP, drawn as a whole run draws them.
void draw_noise(std::vector<double>& noise, int nind);

// The deviates of the fitted SNPs in SNP order, drawn a few SNPs ahead on a
// thread of its own. Every fitted SNP draws the same 2 x nind deviates, so the
// blocks are those draw_noise gives one SNP after another, wherever they are
// drawn, as long as nothing else draws while the stream runs.
class deviate_stream {
public:
    deviate_stream(int nind, size_t ahead) : nind_(nind), ahead_(ahead < 1 ? 1 : ahead) {}
    deviate_stream(const deviate_stream&) = delete;
    deviate_stream& operator=(const deviate_stream&) = delete;
    ~deviate_stream();
    // The next fitted SNP's deviates into noise, whose storage is reused. The
    // drawing starts at the first call, from where the generator is then.
    void next(std::vector<double>& noise);

private:
    void draw();
    int nind_;
    size_t ahead_;
    std::deque<std::vector<double>> ready_;
    std::vector<std::vector<double>> spare_;
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

// Where a run of rows FIRST to LAST starts reading.
struct resume_point {
    long counted = 0;           // rows already behind the reader
    long listed_from = 1;       // the row of fitted[0]
    std::vector<bool> fitted;   // rows whose deviates are drawn although not processed
    // True when row (1-based) is skipped by the range but drew deviates in a whole run.
    bool draws(long row) const
    {
        return row >= listed_from && row - listed_from < static_cast<long>(fitted.size()) &&
               fitted[static_cast<size_t>(row - listed_from)];
    }
};

// With -s FIRST above 1 and FILE.tsi next to the input (and no --no-index):
// moves `in`, whose header has been read, to the checkpoint at or before FIRST
// and, with -a, sets the generator to its seeds. Otherwise leaves both alone.
// Throws input_error for an unreadable index or one that does not match the
// input (changed after indexing, or another file).
resume_point find_resume_point(const options& o, int nind, line_source& in);

// tamsel --index FILE: one pass over FILE that writes FILE.tsi. Returns the
// exit status (1, after a message, when FILE cannot be read or indexed).
int write_input_index(const options& o);

#endif
