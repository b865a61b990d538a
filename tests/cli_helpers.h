// cli_helpers.h -- running the tamsel binary on files made by a test.
#ifndef TAMSEL_CLI_HELPERS_H
#define TAMSEL_CLI_HELPERS_H

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct run_result {
    int status = -1;
    std::string out, err;
};

inline std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A fresh folder for one test, below the build tree.
inline std::string scratch_dir(const std::string& name)
{
    std::string dir = std::string(TAMSEL_BUILD_DIR) + "/test-scratch/" + name;
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    return dir;
}

// Runs tamsel with the given arguments (already shell-quoted where needed).
inline run_result run_tamsel(const std::string& args, const std::string& dir)
{
    run_result r;
    std::string cmd = std::string("'") + TAMSEL_BINARY + "' " + args + " > '" + dir + "/stdout' 2> '" + dir + "/stderr'";
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir + "/stdout");
    r.err = slurp(dir + "/stderr");
    return r;
}

// A path or word quoted for the shell.
inline std::string q(const std::string& s) { return "'" + s + "'"; }

// The lines of text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> v;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) v.push_back(line);
    return v;
}

inline int count_lines(const std::string& text)
{
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

#endif
