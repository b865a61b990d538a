// import_error.h -- the one failure type of tamsel-import: its message is
// printed after "Error : " and the program exits with status 1.
#ifndef TAMSEL_IMPORT_ERROR_H
#define TAMSEL_IMPORT_ERROR_H

#include <stdexcept>
#include <string>

struct import_error : std::runtime_error {
    explicit import_error(const std::string& what) : std::runtime_error(what) {}
};

#endif
