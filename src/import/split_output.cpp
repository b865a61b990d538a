// split_output.cpp -- rows routed to their chromosome group's file.
#include "split_output.h"

namespace {

const char* const groups[4] = {"auto", "X", "Y", "MT"};

int group_index(std::string_view chr)
{
    if (chr == "X" || chr == "chrX" || chr == "23") return 1;
    if (chr == "Y" || chr == "chrY" || chr == "24") return 2;
    if (chr == "MT" || chr == "M" || chr == "chrM" || chr == "chrMT" || chr == "26") return 3;
    return 0;
}

// The chromosome of a row "ID CHR:POS ...".
std::string_view row_chromosome(const std::string& line)
{
    const size_t b = line.find(' ') + 1, c = line.find(':', b);
    return c == std::string::npos ? std::string_view() : std::string_view(line).substr(b, c - b);
}

}  // namespace

const char* chromosome_group(std::string_view chr) { return groups[group_index(chr)]; }

row_output::row_output(const std::string& out, bool split) : out_(out), split_(split)
{
    if (!split) {
        files_[0] = std::make_unique<text_output>(out);
        folder_ = files_[0]->scratch_folder();
        return;
    }
    const size_t slash = out.rfind('/');
    folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : out.substr(0, slash);
}

void row_output::write(const std::string& line)
{
    if (!split_) {
        files_[0]->write(line);
        return;
    }
    if (!header_seen_) {
        header_ = line;
        header_seen_ = true;
        return;
    }
    const int g = group_index(row_chromosome(line));
    if (!files_[g]) {
        files_[g] = std::make_unique<text_output>(out_ + "." + groups[g] + ".int.gz");
        files_[g]->write(header_);
    }
    files_[g]->write(line);
}

void row_output::commit()
{
    for (auto& f : files_)
        if (f) f->commit();
}

std::string row_output::names() const
{
    if (!split_) return out_.empty() ? std::string("standard output") : out_;
    std::string s;
    for (int g = 0; g < 4; ++g)
        if (files_[g]) s += (s.empty() ? "" : ", ") + out_ + "." + groups[g] + ".int.gz";
    return s;
}
