// split_output.h -- where the converted rows go: one file (or standard
// output), or with --split-chromosomes one file per chromosome group,
// OUT.auto.int.gz, OUT.X.int.gz, OUT.Y.int.gz and OUT.MT.int.gz, each with the
// header line; a group without rows gets no file. Every file is written under
// a temporary name and appears only at commit().
#ifndef TAMSEL_IMPORT_SPLIT_OUTPUT_H
#define TAMSEL_IMPORT_SPLIT_OUTPUT_H

#include <memory>
#include <string>
#include <string_view>

#include "text_output.h"

// The group of a chromosome name: "X", "Y", "MT" or "auto" (plink's XY/25 included).
const char* chromosome_group(std::string_view chr);

class row_output {
public:
    // SPLIT: OUT is the prefix of the group files.
    row_output(const std::string& out, bool split);
    // The header line first, then one row per call, each ending in '\n'.
    void write(const std::string& line);
    const std::string& scratch_folder() const { return folder_; }
    // Commits every file that was written; throws import_error like text_output.
    void commit();
    // True once rows went to standard output, where they cannot be taken back.
    bool wrote_to_standard_output() const { return !split_ && out_.empty() && files_[0]->wrote(); }
    // The files written, for the closing message.
    std::string names() const;

private:
    std::string out_, folder_, header_;
    bool split_;
    std::unique_ptr<text_output> files_[4];
    bool header_seen_ = false;
};

#endif
