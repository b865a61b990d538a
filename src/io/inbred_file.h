// inbred_file.h -- the list of inbred samples given with --inbred.
#ifndef TAMSEL_INBRED_FILE_H
#define TAMSEL_INBRED_FILE_H

#include <string>
#include <vector>

// Reads FILE: one sample name per line, optionally followed by its inbreeding
// coefficient F in [0, 1] (default_f when absent); blank lines and lines
// starting with '#' are skipped. f gets one F per sample, 0 for those not
// listed. Returns an empty string, or the problem with file and line.
std::string read_inbred(const std::string& path, const std::vector<std::string>& samples,
                        double default_f, std::vector<double>& f);

#endif
