// whole_run.h -- what the whole-run fuzz targets share: the fixed command line
// run in-process, and the check that an output ends with a whole line.
#ifndef TAMSEL_FUZZ_WHOLE_RUN_H
#define TAMSEL_FUZZ_WHOLE_RUN_H

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "read_options.h"
#include "run.h"

namespace fuzz {

// Runs tamsel on words (argv[0] first); fails on a refused command line or an
// exit status other than 0 and 1.
inline void run_words(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    std::string command_line;
    for (std::string& w : words) {
        argv.push_back(&w[0]);
        command_line += (command_line.empty() ? "" : " ") + w;
    }
    options o;
    if (!read_options(static_cast<int>(argv.size()), argv.data(), o).empty() || !check_options(o).empty())
        fail("the fixed command line was refused");
    const int status = run_tamsel(o, command_line);
    if (status != 0 && status != 1) fail("exit status " + std::to_string(status));
}

// Fails when the file at path exists and its last byte is not a line end.
inline void check_whole_lines(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    int last = '\n';
    if (n > 0) {
        std::fseek(f, n - 1, SEEK_SET);
        last = std::fgetc(f);
    }
    std::fclose(f);
    if (last != '\n') fail(path + " ends inside a line");
}

// PREFIX "out" in the folder fuzz/run.sh made (and removes), else in one of
// this process in /dev/shm; in its subfolder sub when sub is not empty.
inline std::string output_prefix(const std::string& sub = "")
{
    const char* given = std::getenv("TAMSEL_FUZZ_OUT");
    std::string dir = given && *given ? given : "/dev/shm/tamsel-fuzz-" + std::to_string(getpid());
    auto make = [](const std::string& d) {
        if (mkdir(d.c_str(), 0700) != 0 && errno != EEXIST) fail("cannot make the output folder " + d);
    };
    make(dir);
    if (!sub.empty()) make(dir += "/" + sub);
    return dir + "/out";
}

}  // namespace fuzz

#endif
