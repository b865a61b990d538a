// Reader for tests/data/numerics_reference.txt: reference values of the
// generator and distribution-function routines, one "# === X: ..." section
// per routine, blank-separated fields, '#' lines are comments.
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef TAMSEL_TEST_DATA
#error "TAMSEL_TEST_DATA must name the tests/data directory"
#endif

namespace probref {

using Row = std::vector<std::string>;

static std::map<std::string, std::vector<Row>> load()
{
    const std::string path = std::string(TAMSEL_TEST_DATA) + "/numerics_reference.txt";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::map<std::string, std::vector<Row>> sections;
    std::string line, current;
    const std::string marker = "# === ";
    while (std::getline(in, line)) {
        if (line.compare(0, marker.size(), marker) == 0) {
            std::string rest = line.substr(marker.size());
            current = rest.substr(0, rest.find(':'));
            sections[current];
            continue;
        }
        if (line.empty() || line[0] == '#' || current.empty()) continue;
        std::istringstream fields(line);
        Row row;
        std::string f;
        while (fields >> f) row.push_back(f);
        sections[current].push_back(row);
    }
    return sections;
}

// The rows of section `name` (throws if the section is missing or empty).
const std::vector<Row>& section(const std::string& name)
{
    static const std::map<std::string, std::vector<Row>> all = load();
    auto it = all.find(name);
    if (it == all.end() || it->second.empty()) throw std::runtime_error("no section " + name);
    return it->second;
}

// A double printed with %.17g, read back exactly.
double num(const std::string& field)
{
    // strtod rather than stod: stod throws on the ERANGE of subnormal values.
    char* end = nullptr;
    double v = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size()) throw std::runtime_error("not a number: " + field);
    return v;
}

// A float printed with %.9g, read back exactly (strtof, not via a double).
float numf(const std::string& field)
{
    char* end = nullptr;
    float v = std::strtof(field.c_str(), &end);
    if (end != field.c_str() + field.size()) throw std::runtime_error("not a number: " + field);
    return v;
}

}  // namespace probref
