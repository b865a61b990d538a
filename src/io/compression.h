// compression.h -- how a run's BGZF outputs are compressed: one level for all
// of them and one htslib thread pool that every compressor shares.
//
// A block is the same bytes whether a pool thread or the writing thread
// compresses it, so the files do not depend on the thread count.
#ifndef TAMSEL_IO_COMPRESSION_H
#define TAMSEL_IO_COMPRESSION_H

#include <memory>
#include <string>

struct hts_tpool;

// The levels of --compress-level: htslib's BGZF levels, 0 (stored) to 9.
constexpr int MIN_COMPRESS_LEVEL = 0, MAX_COMPRESS_LEVEL = 9;
// htslib's own default, which is its level 6.
constexpr int DEFAULT_COMPRESS_LEVEL = -1;

class compression {
public:
    // level: MIN_COMPRESS_LEVEL to MAX_COMPRESS_LEVEL, or DEFAULT_COMPRESS_LEVEL.
    // threads > 1 gives a pool of that many threads, started when a file first
    // asks for it; otherwise (or should it not start) each block is compressed
    // by the thread that writes it.
    explicit compression(int level = DEFAULT_COMPRESS_LEVEL, int threads = 1);
    ~compression();
    compression(const compression&) = delete;
    compression& operator=(const compression&) = delete;

    int level() const { return level_; }
    // The shared pool, or null. Called by the thread that opens the files.
    hts_tpool* pool() const;
    // An htslib open mode ("w", "wb", "wz") with the level's digit when one is set.
    std::string mode(const char* base) const;

private:
    int level_, threads_;
    mutable hts_tpool* pool_ = nullptr;
};

// Held by every file that compresses, so the pool outlives their last block.
using shared_compression = std::shared_ptr<const compression>;

#endif
