// child.h -- one program run as a child process, timed, with its own peak memory.
#ifndef TAMSEL_BENCH_CHILD_H
#define TAMSEL_BENCH_CHILD_H

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

struct child_result {
    bool ok = false;
    double wall = 0, user = 0, sys = 0;
    long max_rss_kb = 0;
};

// fork/exec/wait4: wait4 hands back the child's own rusage, peak RSS included,
// not the largest of all children so far. The child's standard output (and
// its standard error too with both_streams) goes to log, out of the figures.
// `who` names the benchmark in its messages.
inline child_result run_child(const char* who, const std::vector<std::string>& argv, const std::string& log,
                              bool both_streams)
{
    child_result r;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "%s: fork: %s\n", who, std::strerror(errno));
        return r;
    }
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            if (both_streams) dup2(fd, 2);
            close(fd);
        }
        execv(args[0], args.data());
        std::fprintf(stderr, "%s: cannot run %s: %s\n", who, args[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    if (wait4(pid, &status, 0, &ru) < 0) {
        std::fprintf(stderr, "%s: wait4: %s\n", who, std::strerror(errno));
        return r;
    }
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.user = static_cast<double>(ru.ru_utime.tv_sec) + static_cast<double>(ru.ru_utime.tv_usec) * 1e-6;
    r.sys = static_cast<double>(ru.ru_stime.tv_sec) + static_cast<double>(ru.ru_stime.tv_usec) * 1e-6;
    r.max_rss_kb = ru.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!r.ok) {
        std::fprintf(stderr, "%s: %s ", who, args[0]);
        if (WIFEXITED(status))
            std::fprintf(stderr, "exited with status %d", WEXITSTATUS(status));
        else
            std::fprintf(stderr, "was killed by signal %d", WTERMSIG(status));
        std::fprintf(stderr, " (its output: %s)\n", log.c_str());
    }
    return r;
}

// A positive decimal count of a command line, into v; false for anything else.
inline bool parse_count(const char* s, long& v)
{
    char* end;
    const long x = std::strtol(s, &end, 10);
    if (end == s || *end || x <= 0) return false;
    v = x;
    return true;
}

// True when p names a file this process may run.
inline bool executable(const std::string& p) { return !p.empty() && access(p.c_str(), X_OK) == 0; }

// False, with a message naming the first one, unless every path is executable.
inline bool all_executable(const char* who, std::initializer_list<const std::string*> paths)
{
    for (const std::string* p : paths)
        if (!executable(*p)) {
            std::fprintf(stderr, "%s: %s is not an executable (build it, or give --tamsel/--simulate)\n", who,
                         p->c_str());
            return false;
        }
    return true;
}

// With dir empty, a fresh folder /tmp/WHO.XXXXXX into dir and made = true;
// false (with a message) when none can be made.
inline bool ensure_work_dir(const char* who, std::string& dir, bool& made)
{
    made = false;
    if (!dir.empty()) return true;
    std::string t = std::string("/tmp/") + who + ".XXXXXX";
    std::vector<char> tmpl(t.begin(), t.end());
    tmpl.push_back('\0');
    if (!mkdtemp(tmpl.data())) {
        std::fprintf(stderr, "%s: mkdtemp: %s\n", who, std::strerror(errno));
        return false;
    }
    dir = tmpl.data();
    made = true;
    return true;
}

#endif
