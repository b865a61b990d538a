// shard.cpp -- the index pass, and the checkpoint a row range resumes from.
#include "shard.h"

#include <iostream>
#include <sys/stat.h>

#include "intensity_input.h"
#include "intensity_text.h"
#include "line_source.h"
#include "probkit.h"
#include "ranlib.h"
#include "result.h"
#include "shard_index.h"
#include "worker.h"

stream_seeds stream_position()
{
    long set = 0;
    gssst(0, &set);
    // The seeds the first draw would set: getsd before them reads no state.
    if (!set) setall(1234567890L, 123456789L);
    stream_seeds s;
    getsd(&s.seed1, &s.seed2);
    return s;
}

void resume_stream(const stream_seeds& s)
{
    stream_position();
    setsd(s.seed1, s.seed2);
}

void draw_noise(std::vector<double>& noise, int nind)
{
    double mean = 0, sd = 0.05;
    noise.resize(2 * static_cast<size_t>(nind));
    for (double& v : noise) v = rnorm(&mean, &sd);
}

deviate_stream::~deviate_stream()
{
    {
        std::lock_guard<std::mutex> g(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void deviate_stream::next(std::vector<double>& noise)
{
    if (!thread_.joinable()) thread_ = std::thread([this] { draw(); });
    {
        std::unique_lock<std::mutex> g(m_);
        cv_.wait(g, [&] { return !ready_.empty(); });
        // The caller's storage is drawn into later.
        std::vector<double> used;
        used.swap(noise);
        noise.swap(ready_.front());
        ready_.pop_front();
        if (used.capacity() > 0) spare_.push_back(std::move(used));
    }
    cv_.notify_all();
}

void deviate_stream::draw()
{
    for (;;) {
        std::vector<double> block;
        {
            std::unique_lock<std::mutex> g(m_);
            cv_.wait(g, [&] { return stop_ || ready_.size() < ahead_; });
            if (stop_) return;
            if (!spare_.empty()) {
                block.swap(spare_.back());
                spare_.pop_back();
            }
        }
        draw_noise(block, nind_);
        {
            std::lock_guard<std::mutex> g(m_);
            ready_.push_back(std::move(block));
        }
        cv_.notify_all();
    }
}

resume_point find_resume_point(const options& o, int nind, line_source& in)
{
    resume_point at;
    const std::string input = o.input ? o.input : "-";
    struct stat st;
    const std::string path = index_path(input);
    if (o.first <= 1 || o.no_index || input == "-" || stat(path.c_str(), &st) != 0) return at;
    const shard_index idx = read_index(path);
    input_fingerprint now;
    if (!fingerprint_of(input, now) || !(now == idx.input) || idx.individuals != nind)
        throw input_error("the index " + path + " does not match " + input +
                          ", which changed after it was indexed; index it again with tamsel --index " +
                          input + ", or add --no-index");
    if (idx.points.empty()) return at;
    const size_t k = std::min(static_cast<size_t>((o.first - 1) / idx.every), idx.points.size() - 1);
    const index_checkpoint& c = idx.points[k];
    // Plain gzip cannot seek: its rows are counted from the start, as without an index.
    if (in.seekable()) {
        if (!in.seek(c.offset, c.row)) throw input_error(input + ": cannot seek to row " + std::to_string(c.row) +
                                                         " as the index " + path + " says");
        at.counted = c.row - 1;
    }
    if (o.pert) {
        resume_stream({c.seed1, c.seed2});
        at.listed_from = c.row;
        at.fitted = c.fitted;
    }
    return at;
}

namespace {

// Reads every row as a whole run does and draws what a whole run draws.
shard_index index_pass(const options& o, line_source& in, intensity_text& reader, int nind)
{
    shard_index idx;
    idx.layout = in.seekable() ? "seekable" : "sequential";
    idx.individuals = nind;
    idx.every = o.index_every;
    row_job job;
    std::vector<double> noise;
    for (;;) {
        const uint64_t offset = in.tell();
        const stream_seeds seeds = stream_position();
        if (!reader.next(job, true)) break;
        ++idx.rows;
        if ((idx.rows - 1) % idx.every == 0) {
            index_checkpoint c;
            c.row = idx.rows;
            c.offset = offset;
            c.fitted_before = idx.fitted;
            c.seed1 = seeds.seed1;
            c.seed2 = seeds.seed2;
            idx.points.push_back(std::move(c));
        }
        const bool f = fitted(job.ab, nind);
        idx.points.back().fitted.push_back(f);
        if (f) {
            draw_noise(noise, nind);
            ++idx.fitted;
        }
    }
    return idx;
}


}  // namespace

int write_input_index(const options& o)
{
    const std::string input = o.index;
    input_fingerprint before;
    line_source in;
    if (input == "-" || !fingerprint_of(input, before) || !in.open(input, thread_count(o.threads))) {
        std::cout << "Error : Could not open " << input << (input == "-" ? " (an index needs a file)" : "")
                  << std::endl;
        return 1;
    }
    if (variant_file(input)) {
        std::cerr << "Error : " << input << " is a VCF/BCF file; an index is made of intensity files in the text layout only"
                  << std::endl;
        return 1;
    }
    const std::string path = index_path(input);
    try {
        intensity_text reader(in, o.strict);
        if (!reader.read_header()) return 1;
        const int nind = static_cast<int>(reader.samples().size());
        shard_index idx = index_pass(o, in, reader, nind);
        reader.report();
        input_fingerprint after;
        if (!fingerprint_of(input, after) || !(after == before))
            throw input_error(input + " changed while it was being indexed; no index written");
        idx.input = before;
        write_index(path, idx);
        std::cout << "Indexed " << input << ": " << idx.rows << " rows, " << idx.fitted << " fitted, "
                  << idx.points.size() << " checkpoints in " << path << std::endl;
    } catch (const std::runtime_error& e) {
        std::cout << std::flush;
        std::cerr << "Error : " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
