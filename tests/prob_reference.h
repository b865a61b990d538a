// prob_reference.h -- the published reference values (tests/data/numerics_reference.txt)
// and the fresh default random stream, shared by the numerical tests.
#ifndef TAMSEL_PROB_REFERENCE_H
#define TAMSEL_PROB_REFERENCE_H

#include <string>
#include <vector>

#include "ranlib.h"

namespace probref {
using Row = std::vector<std::string>;
// The rows of one "# === X:" section, split into fields.
const std::vector<Row>& section(const std::string& name);
double num(const std::string& field);
float numf(const std::string& field);
}  // namespace probref

// The state of a fresh process after its first self-initialisation.
inline void restart_default_stream()
{
    long one = 1;
    gscgn(1L, &one);
    setall(1234567890L, 123456789L);
}

#endif
