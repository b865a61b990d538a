// in_process.h -- a whole tamsel run inside this process, as a fresh process
// would make it: used to compare runs on different maths paths in one process.
#ifndef TAMSEL_BENCH_IN_PROCESS_H
#define TAMSEL_BENCH_IN_PROCESS_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "read_options.h"
#include "ranlib.h"
#include "run.h"

// Runs the command line in args (program name first) with the random stream
// at its start, as -a needs, and the console sent to /dev/null. Returns the
// run's exit status, or 1 with the message in *message for a bad command line.
inline int run_in_process(std::vector<std::string> args, std::string* message = nullptr)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    options o;
    std::string msg = read_options(static_cast<int>(argv.size()), argv.data(), o);
    if (msg.empty()) msg = check_options(o);
    if (!msg.empty()) {
        if (message) *message = msg;
        return 1;
    }
    long one = 1;
    gscgn(1L, &one);
    setall(1234567890L, 123456789L);
    std::fflush(stdout);
    const int saved = dup(1), null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    const int status = run_tamsel(o, "tamsel");
    std::fflush(stdout);
    dup2(saved, 1);
    close(null);
    close(saved);
    return status;
}

#endif
