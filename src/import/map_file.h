// map_file.h -- positions and alleles of SNPs from a file beside the report:
// an Illumina manifest CSV, a GenomeStudio SNP map, an Axiom annotation CSV
// or a plain "name chrom pos a b" table, recognised by content.
#ifndef TAMSEL_IMPORT_MAP_FILE_H
#define TAMSEL_IMPORT_MAP_FILE_H

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// SNP name -> "CHR:POS [A/B]", alleles on the forward strand.
using snp_map = std::unordered_map<std::string, std::string>;

// Reads PATH (plain, gzip or zip); throws import_error naming the file and
// line for an unknown layout, a missing column or a SNP named twice.
snp_map read_map(const std::string& path);

// Splits a CSV line at commas, honouring double quotes ("a,b" and "" inside).
void split_quoted(std::string_view line, char sep, std::vector<std::string>& out);

#endif
