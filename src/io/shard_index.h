// shard_index.h -- the row index of an intensity file (FILE.tsi), which lets a
// run of rows F to L start near row F, in the input and in the random stream.
//
// Text, tab-separated. Lines starting "#" hold key and value: the format
// version, the fingerprint of the input, its layout, individuals, checkpoint
// interval, rows and fitted SNPs in all. Then one line per checkpoint (row 1,
// 1 + every, 1 + 2 every, ...): the row, the offset where it starts (a BGZF
// virtual offset; a plain file counts as made of 64 KiB blocks), the number of
// fitted SNPs before it, the two generator seeds reached after drawing the
// perturbation deviates of all of them, and one bit per row from this
// checkpoint to the next, set when that row is fitted (hex digits, four rows
// each, the first row in the lowest bit).
#ifndef TAMSEL_IO_SHARD_INDEX_H
#define TAMSEL_IO_SHARD_INDEX_H

#include <cstdint>
#include <string>
#include <vector>

// What identifies the content of an input cheaply.
struct input_fingerprint {
    unsigned long long size = 0;
    long long mtime_ns = 0;
    uint64_t hash = 0;  // of the first and the last 64 KiB
    bool operator==(const input_fingerprint& o) const
    {
        return size == o.size && mtime_ns == o.mtime_ns && hash == o.hash;
    }
};

// False when the file cannot be read.
bool fingerprint_of(const std::string& path, input_fingerprint& fp);

struct index_checkpoint {
    long row = 1;
    uint64_t offset = 0;
    long fitted_before = 0;
    long seed1 = 0, seed2 = 0;
    std::vector<bool> fitted;  // rows row, row + 1, ... up to the next checkpoint
};

struct shard_index {
    input_fingerprint input;
    std::string layout;  // "seekable" (plain, BGZF) or "sequential" (gzip: offsets unused)
    long individuals = 0;
    long every = 1000;
    long rows = 0, fitted = 0;
    std::vector<index_checkpoint> points;
};

// The index that belongs to an input: its name with ".tsi" added.
std::string index_path(const std::string& input);

// Writes the index to path through a temporary file renamed at the end, so a
// cut-short run leaves no index. Throws write_error.
void write_index(const std::string& path, const shard_index& idx);

// Reads an index; throws input_error naming the file and line when it is not one.
shard_index read_index(const std::string& path);

#endif
