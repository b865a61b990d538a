// compression.cpp -- the run's BGZF level and shared htslib thread pool.
#include "compression.h"

#include <htslib/thread_pool.h>

compression::compression(int level, int threads) : level_(level), threads_(threads) {}

hts_tpool* compression::pool() const
{
    // A run without a compressed output starts no threads.
    if (!pool_ && threads_ > 1) pool_ = hts_tpool_init(threads_);
    return pool_;
}

compression::~compression()
{
    if (pool_) hts_tpool_destroy(pool_);
}

std::string compression::mode(const char* base) const
{
    std::string m = base;
    if (level_ >= MIN_COMPRESS_LEVEL && level_ <= MAX_COMPRESS_LEVEL) m += static_cast<char>('0' + level_);
    return m;
}
