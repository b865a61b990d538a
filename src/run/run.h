// run.h -- a whole run of tamsel: inputs, outputs, the SNP loop and the summary.
#ifndef TAMSEL_RUN_RUN_H
#define TAMSEL_RUN_RUN_H

#include <string>

#include "options.h"

// Returns the exit status: 0 after a complete run, 1 when an input cannot be
// used or an output cannot be written (the reason is printed).
int run_tamsel(const options& o, const std::string& command_line);

#endif
