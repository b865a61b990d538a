// spool.h -- output held back in an unnamed temporary file until what must
// precede it is known (the VCF header lists contigs seen only at the end).
#ifndef TAMSEL_IO_SPOOL_H
#define TAMSEL_IO_SPOOL_H

#include <string>

// A read-write descriptor of a new file in FOLDER that has no name, so it
// vanishes with the process however the run ends; -1 with errno on failure.
int open_spool(const std::string& folder);

// Copies all of FROM (from its start) to TO at TO's offset; 0 or an errno value.
int copy_spool(int from, int to);

// BYTES as complete BGZF blocks at htslib's LEVEL (-1 its default), which a
// BGZF reader joins with the blocks of another stream written after them;
// false when compression fails.
bool bgzf_blocks(const std::string& bytes, std::string& out, int level);

#endif
