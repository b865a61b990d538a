// text_files.h -- the calls, probabilities, kmodelmu and contrastmu files.
#ifndef TAMSEL_IO_TEXT_FILES_H
#define TAMSEL_IO_TEXT_FILES_H

#include <memory>
#include <string>

#include "out_file.h"
#include "result.h"

// The enabled ones of the four files PREFIX_calls, _probs, _kmodelmu and
// _contrastmu (".gz" added and BGZF-compressed with z); each row is flushed
// whole as soon as it is written.
class text_files : public result_writer {
public:
    text_files(const std::string& prefix, const bool enabled[N_TEXT_FILES], shared_compression z);
    bool wants_details() const override { return false; }
    void claim() override;
    std::vector<const out_file*> files() const override;
    void begin(const run_info& run) override;
    void write(const snp_result& r) override;
    void finish() override;

private:
    std::string prefix_;
    bool enabled_[N_TEXT_FILES];
    shared_compression z_;
    out_file file_[N_TEXT_FILES];
};

// The header line of one of the four files, line end included.
std::string text_header(text_file which, const std::vector<std::string>& samples, bool pert);

#endif
