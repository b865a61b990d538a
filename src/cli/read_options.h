// read_options.h -- the command line of tamsel and its checks.
#ifndef TAMSEL_CLI_READ_OPTIONS_H
#define TAMSEL_CLI_READ_OPTIONS_H

#include <string>

#include "options.h"

// Reads every word of argv into o. Returns an empty text, or the message for an
// option whose value words are missing at the end of the line, or for a long
// option that is unknown, lacks its value or has an unusable one.
std::string read_options(int argc, char** argv, options& o);

// The three checks, in order, then those of the names of the VCF and PLINK
// outputs; returns the message of the first that fails, or "".
std::string check_options(const options& o);

// The usage text, printed on standard error when tamsel is run without arguments.
std::string usage_text();

#endif
