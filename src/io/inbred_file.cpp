// inbred_file.cpp -- the list of inbred samples given with --inbred.
#include "inbred_file.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_map>

std::string read_inbred(const std::string& path, const std::vector<std::string>& samples,
                        double default_f, std::vector<double>& f)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open the inbred list " + path;
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < samples.size(); ++i) index.emplace(samples[i], i);
    f.assign(samples.size(), 0.0);
    std::vector<bool> seen(samples.size(), false);
    std::string line;
    for (long no = 1; std::getline(in, line); ++no) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = path + " line " + std::to_string(no) + ": ";
        std::istringstream words(line);
        std::string name, value, extra;
        if (!(words >> name) || name[0] == '#') continue;
        auto it = index.find(name);
        if (it == index.end()) return where + "\"" + name + "\" is not a sample of the input";
        if (seen[it->second]) return where + "\"" + name + "\" is listed twice";
        seen[it->second] = true;
        double F = default_f;
        if (words >> value) {
            char* end = nullptr;
            F = std::strtod(value.c_str(), &end);
            if (*end != '\0' || !(F >= 0 && F <= 1))
                return where + "the inbreeding coefficient must be a number from 0 to 1, not \"" + value + "\"";
            if (words >> extra) return where + "expected a sample name and at most one value";
        }
        f[it->second] = F;
    }
    return "";
}
