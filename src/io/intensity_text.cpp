// intensity_text.cpp -- reading the text layout row by row, reporting every
// row that has to be repaired or dropped.
#include "intensity_text.h"

#include <cctype>
#include <iostream>

#include "data.h"
#include "row_split.h"
#include "result.h"

namespace {

bool blank(const char* s)
{
    for (; *s; ++s)
        if (!std::isspace(static_cast<unsigned char>(*s))) return false;
    return true;
}

constexpr long listed = 10;

}  // namespace

bool intensity_text::read_header()
{
    if (!in_.next()) {
        std::cout << "Error : " << in_.path() << " is empty: no header line" << std::endl;
        return false;
    }
    split_chars(in_.line(), fields_);
    header_fields_ = fields_.size();
    if (fields_.size() < 3) {
        std::cout << "Error : the header of " << in_.path() << " has " << fields_.size()
                  << " fields; it needs SNP, position and allele columns, then A and B per individual"
                  << std::endl;
        return false;
    }
    const size_t nind = (fields_.size() - 3) / 2;
    for (size_t i = 0; i < nind; ++i) {
        std::vector<std::string> pieces = split(fields_[3 + 2 * i], '.');
        samples_.push_back(pieces.empty() ? std::string() : pieces[0]);
    }
    if (nind == 0) {
        // What a binary file or a wrong separator often looks like.
        std::string why = in_.path() + " line 1: the header has " + std::to_string(header_fields_) +
                          " fields, so there are no individuals";
        if (strict_) throw input_error(why);
        std::cerr << "Warning : " << why << std::endl;
    }
    return true;
}

void intensity_text::damaged(const std::string& what, long line)
{
    std::string where = in_.path() + " line " + std::to_string(line) + ": " + what;
    if (strict_) throw input_error(where + " (--strict)");
    if (++damaged_ <= listed) std::cerr << "Warning : " << where << std::endl;
}

std::string intensity_text::damage(const std::vector<char*>& fields, size_t pairs, bool unterminated) const
{
    const size_t nind = samples_.size();
    size_t values = fields.size() > 3 ? fields.size() - 3 : 0;
    // Trailing blanks leave one empty last field, which is no value.
    if (values > 0 && fields.back()[0] == '\0') --values;
    std::string what;
    auto add = [&what](const std::string& s) { what += (what.empty() ? "" : "; ") + s; };
    if (values % 2 == 1) add("an A value without its B (that individual is missing)");
    if (pairs < nind)
        add(std::to_string(pairs) + " pairs for " + std::to_string(nind) +
            " individuals (those without a pair are missing)");
    else if (values + 3 > header_fields_)
        add(std::to_string(values + 3) + " fields, more than the header's " +
            std::to_string(header_fields_) + " (the extra values are not used)");
    if (unterminated) add("no line end at the end of the file (the row may be cut short)");
    return what;
}

// Reading stops at a short row; say so when that drops data, so a truncated
// or damaged file is noticed rather than silently cut short.
bool intensity_text::stop_at(long line, size_t nfields, bool row_blank)
{
    ended_ = true;
    // Lines already taken past this one count as what follows it.
    bool more = last_filled_ > line;
    while (!more && in_.next()) more = !blank(in_.line());
    if (row_blank && !more) return false;
    std::string what = "line " + std::to_string(line) + " has " + std::to_string(nfields) +
                       " fields, fewer than the " + std::to_string(samples_.size()) +
                       " individuals; reading stopped there" + (more ? " although more lines follow" : "");
    if (strict_) throw input_error(in_.path() + " " + what + " (--strict)");
    std::cerr << "Warning : " << what << std::endl;
    return false;
}

static void fill_texts(const std::vector<char*>& fields, row_job& job)
{
    job.id = fields.size() > 0 ? fields[0] : "";
    job.position = fields.size() > 1 ? fields[1] : "";
    job.allele = fields.size() > 2 ? fields[2] : "";
}

// The three steps in one; a row only counted is split for its field count alone.
bool intensity_text::next(row_job& job, bool parse)
{
    if (!take(job)) return false;
    if (parse) {
        decode(job);
        return accept(job);
    }
    split_chars(job.raw.data(), job.fields);
    if (job.fields.size() < samples_.size()) return stop_at(job.line_no, job.fields.size(), job.blank);
    return true;
}

bool intensity_text::take(row_job& job)
{
    if (ended_ || in_.at_end() || !in_.next()) return false;
    job.line_no = in_.line_no();
    job.unterminated = in_.unterminated();
    job.blank = blank(in_.line());
    if (!job.blank) last_filled_ = job.line_no;
    in_.swap_line(job.raw);
    return true;
}

void intensity_text::decode(row_job& job) const
{
    split_chars(job.raw.data(), job.fields);
    job.damage.clear();
    if (job.fields.size() < samples_.size()) return;
    fill_texts(job.fields, job);
    job.damage = damage(job.fields, read_pairs(job.fields, job.ab), job.unterminated);
}

bool intensity_text::accept(row_job& job)
{
    if (job.fields.size() < samples_.size()) return stop_at(job.line_no, job.fields.size(), job.blank);
    if (!job.damage.empty()) damaged(job.damage, job.line_no);
    return true;
}

void intensity_text::report()
{
    if (damaged_ > listed)
        std::cerr << "Warning : " << in_.path() << ": " << damaged_ << " damaged rows in all, the first "
                  << listed << " listed above" << std::endl;
}
