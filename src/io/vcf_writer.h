// vcf_writer.h -- --vcf FILE: calls, posteriors and per-SNP model summaries as
// VCF (".vcf"), BGZF-compressed VCF (".vcf.gz") or BCF (".bcf"), through htslib.
//
// The header must list every contig, but contigs are known only once the last
// SNP is read, and the input is read once. So the records go to an unnamed
// temporary file (in the output's folder, or in $TMPDIR when the output is not
// a regular file) and finish() writes the header to the output and appends the
// records after it. For ".vcf.gz" and ".bcf" the header is compressed into BGZF
// blocks of its own, which a BGZF reader joins with the records' blocks; plain
// ".vcf" is copied as text. Until finish() the output file is empty.
#ifndef TAMSEL_IO_VCF_WRITER_H
#define TAMSEL_IO_VCF_WRITER_H

#include <memory>
#include <string>

#include "compression.h"
#include "result.h"

// The FORMAT tags of a --vcf file, in the order every record carries them.
enum vcf_field : unsigned { VCF_GT = 1u, VCF_GP = 2u, VCF_PNULL = 4u, VCF_CONTRAST = 8u, VCF_STRENGTH = 16u };
constexpr unsigned VCF_ALL_FIELDS = 31u;

// Reads LIST, tags separated by commas ("GT,GP"), into fields: "" when it can,
// else why not (an unknown tag, or no GT).
std::string read_vcf_fields(const std::string& list, unsigned& fields);

// Why PATH cannot be a --vcf output ("" when it can): its name must end in
// .vcf, .vcf.gz or .bcf and its folder must exist. Touches no file.
std::string vcf_name_problem(const std::string& path);

// The --vcf writer with the FORMAT tags in fields (GT always); a .vcf.gz or
// .bcf is compressed as z says (null: htslib's level, no pool).
std::unique_ptr<result_writer> make_vcf_writer(const std::string& path, shared_compression z = nullptr,
                                               unsigned fields = VCF_ALL_FIELDS);

#endif
