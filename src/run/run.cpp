// run.cpp -- the run driver: set-up, the SNP loop through the pipeline, the summary.
#include "run.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sys/resource.h>
#include <unistd.h>
#include <memory>
#include <sys/stat.h>

#include "gender_file.h"
#include "inbred_file.h"
#include "intensity_input.h"
#include "line_source.h"
#include "out_file.h"
#include "pipeline.h"
#include "progress.h"
#include "reference.h"
#include "plink_writer.h"
#include "qc_writer.h"
#include "site.h"
#include "vcf_writer.h"
#include "shard.h"
#include "text_files.h"
#include "worker.h"

namespace {

void could_not_open(const std::string& path)
{
    std::cout << "Error : Could not open " << path << std::endl;
}

// The rows of the requested range, numbered and prepared for the workers.
// Read whole (next) or, when the reader splits its rows, taken here, decoded
// on a worker (decode) and numbered here in row order (accept).
class row_range {
public:
    row_range(intensity_reader& reader, int first, int last, int nind, bool pert, resume_point at)
        : reader_(reader), nind_(nind), pert_(pert), at_(std::move(at)), rows_(at_.counted), taken_(rows_)
    {
        first_ = first > 1 ? first : 1;
        last_ = last > -1 ? last : -1;
        if (last_ > 0 && last_ < first_) last_ = first_;
    }
    bool next(row_job& job)
    {
        if (!skip_to_first()) return false;
        if (!reader_.next(job, true)) return false;
        ++rows_;
        ++taken_;
        number(job, pert_ && fitted(job.ab, nind_));
        return true;
    }
    bool take(row_job& job)
    {
        if (!skip_to_first() || !reader_.take(job)) return false;
        ++taken_;
        return true;
    }
    void decode(row_job& job) const
    {
        reader_.decode(job);
        job.draws = pert_ && fitted(job.ab, nind_);
    }
    bool accept(row_job& job)
    {
        if (!reader_.accept(job)) return false;
        ++rows_;
        number(job, job.draws);
        return true;
    }
    // Draws the deviates on a thread of their own, a few SNPs ahead.
    void draw_ahead(size_t snps) { ahead_ = std::make_unique<deviate_stream>(nind_, snps); }
    long rows() const { return rows_; }
    int first() const { return first_; }
    long last() const { return last_ == -1 ? rows_ : last_; }

private:
    // Counts the rows before the first one processed; false when the data end
    // before it or at the last one.
    bool skip_to_first()
    {
        row_job skipped;
        for (;;) {
            if (last_ != -1 && taken_ >= last_) return false;
            if (taken_ + 1 >= first_) return true;
            if (!reader_.next(skipped, false)) return false;
            ++rows_;
            ++taken_;
            // A row skipped after an index checkpoint still takes its place in the random stream.
            if (pert_ && at_.draws(rows_)) draw_noise(skipped_, nind_);
        }
    }
    void number(row_job& job, bool draws)
    {
        job.index = index_++;
        job.console.clear();
        const size_t pairs = job.ab.size() / 2;
        if (pairs != static_cast<size_t>(nind_))
            job.console += "snp " + std::to_string(job.index + 1) + " dat.vec.size()=" + std::to_string(pairs);
        if ((job.index + 1) % 10 == 0) job.console += "SNP " + std::to_string(job.index + 1) + " \n";
        // One random stream in SNP order: every fitted SNP draws 2 x nind deviates.
        job.noise.clear();
        if (pert_ && draws) {
            if (ahead_)
                ahead_->next(job.noise);
            else
                draw_noise(job.noise, nind_);
        }
    }
    intensity_reader& reader_;
    int nind_;
    bool pert_;
    resume_point at_;
    std::vector<double> skipped_;
    std::unique_ptr<deviate_stream> ahead_;
    int first_, last_;
    long rows_, taken_, index_ = 0;
};

// An output that is one of the inputs would be emptied before it is read.
bool same_file(const std::string& input, const out_file& f)
{
    struct stat st;
    return input != "-" && stat(input.c_str(), &st) == 0 && st.st_dev == f.device() &&
           st.st_ino == f.inode();
}

}  // namespace

// One line on standard error: wall time, CPU time of every thread, peak memory,
// and the share of the CPU of this thread, which reads every row.
static void report_resources(std::chrono::steady_clock::time_point began)
{
    struct timespec own;
    const bool have_own = clock_gettime(CLOCK_THREAD_CPUTIME_ID, &own) == 0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    struct rusage u;
    if (getrusage(RUSAGE_SELF, &u) != 0) return;
    const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                       static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    char text[200];
    const double own_cpu = static_cast<double>(own.tv_sec) + static_cast<double>(own.tv_nsec) / 1e9;
    std::snprintf(text, sizeof text,
                  "tamsel: wall %.2f s, CPU %.2f s, peak memory %.1f MB, main thread %.2f%% of CPU\n", wall, cpu,
                  static_cast<double>(u.ru_maxrss) / 1024.0, have_own && cpu > 0 ? 100.0 * own_cpu / cpu : 0.0);
    std::fputs(text, stderr);
}

int run_tamsel(const options& o, const std::string& command_line)
{
    const auto began = std::chrono::steady_clock::now();
    if (o.index) return write_input_index(o);
    const int threads = thread_count(o.threads);
    run_info info;
    info.input = o.input;
    info.command_line = command_line;
    info.chromosome = o.chromosome;
    info.whole_genome = o.whole_genome;
    info.pert = o.pert;
    if (o.gender && !read_gender(o.gender, info.gender)) {
        could_not_open(o.gender);
        return 1;
    }
    // A VCF or BCF is recognised by its content; the rest is the text layout, read through in.
    line_source in;
    intensity_source how;
    how.tag_a = o.tag_a;
    how.tag_b = o.tag_b;
    how.strict = o.strict;
    how.threads = threads;
    std::unique_ptr<intensity_reader> input = open_intensities(o.input, how, in);
    if (!input) {
        could_not_open(o.input);
        return 1;
    }
    intensity_reader& reader = *input;
    std::vector<std::unique_ptr<result_writer>> writers;
    try {
        if (!reader.read_header()) return 1;
        info.samples = reader.samples();
        info.record_alleles = reader.record_alleles();
        info.nind = static_cast<int>(info.samples.size());
        std::cout << info.nind << " individuals" << std::endl;
        // The model reads one gender code per individual: too few would be read past the end.
        if ((o.chromosome != chrom::none || o.whole_genome) && info.gender.size() < static_cast<size_t>(info.nind)) {
            std::cout << "Error : the gender file " << o.gender << " has " << info.gender.size()
                      << " codes but " << o.input << " has " << info.nind << " individuals" << std::endl;
            return 1;
        }

        // VCF and PLINK files name samples by their names, which must be unique and not empty.
        if (!o.vcf.empty() || !o.plink.empty()) {
            std::string why = sample_names_problem(info.samples);
            if (!why.empty()) throw input_error(o.input + std::string(": ") + why);
        }
        if (!o.inbred.empty()) {
            std::string why = read_inbred(o.inbred, info.samples, o.inbred_f, info.inbred_f);
            if (!why.empty()) throw input_error(why);
            info.inbred = true;
        }
        if (!o.fasta_ref.empty()) {
            auto genome = std::make_shared<reference_genome>();
            std::string why = genome->open(o.fasta_ref);
            if (!why.empty()) throw input_error("--fasta-ref: " + why);
            info.reference = genome;
        }
        // A stale index stops the run before any output is touched.
        resume_point start = find_resume_point(o, info.nind, in);

        const bool text[N_TEXT_FILES] = {o.calls, o.probs, o.kmodel, o.contrast};
        // One level and one thread pool for every compressor of the run.
        auto z = std::make_shared<const compression>(o.compress_level, threads);
        shared_compression text_z = o.bgzip ? z : nullptr;
        writers.push_back(std::make_unique<text_files>(o.output, text, text_z));
        if (o.qc) writers.push_back(make_qc_writer(o.output, text_z, o.qc_part));
        if (!o.vcf.empty()) writers.push_back(make_vcf_writer(o.vcf, z, o.vcf_fields));
        if (!o.plink.empty()) writers.push_back(make_plink_writer(o.plink));
        // Every output is claimed before any existing one is emptied.
        for (auto& w : writers) w->claim();
        for (auto& w : writers)
            for (const out_file* f : w->files())
                for (const char* input : {o.input, o.gender})
                    if (input && same_file(input, *f)) {
                        std::cerr << "Error : the output " << f->path() << " is the input " << input
                                  << "; choose another output prefix" << std::endl;
                        return 1;
                    }
        bool details = false;
        for (auto& w : writers) {
            w->begin(info);
            details = details || w->wants_details();
        }

        std::vector<std::unique_ptr<worker>> workers;
        for (int t = 0; t < threads; ++t) workers.push_back(std::make_unique<worker>(o, info, details));
        row_range range(reader, o.first, o.last, info.nind, o.pert, std::move(start));
        progress shown(!o.quiet, in);
        long done = 0;
        row_steps steps;
        if (threads > 1 && o.pert) range.draw_ahead(2 * static_cast<size_t>(threads));
        if (threads > 1 && reader.splits()) {
            // This thread only takes the rows and hands out the deviates; workers decode them.
            steps.take = [&](row_job& job) {
                const bool got = range.take(job);
                shown.read_to();
                return got;
            };
            steps.prepare = [&](row_job& job) { range.decode(job); };
            steps.accept = [&](row_job& job) { return range.accept(job); };
        } else {
            steps.take = [&](row_job& job) {
                const bool got = range.next(job);
                shown.read_to();
                return got;
            };
            steps.accept = [](row_job&) { return true; };
        }
        run_pipeline(
            workers, 4 * static_cast<size_t>(threads), steps,
            [&](snp_result& r) {
                if (!r.console.empty()) {
                    shown.before_console();
                    std::cout << r.console << std::flush;
                    shown.after_console(done);
                }
                for (auto& w : writers) w->write(r);
                shown.update(++done);
            });
        shown.finish();
        for (auto& w : writers) w->finish();
        reader.report();
        std::cout << "Total " << range.rows() << " SNPs in file, " << range.first() << " - " << range.last()
                  << " processed." << std::endl;
        if (o.stats || (!o.quiet && isatty(2))) report_resources(began);
    } catch (const open_error& e) {
        could_not_open(e.what());
        return 1;
    } catch (const write_error& e) {
        std::cout << std::flush;
        std::cerr << "Error : " << e.what() << std::endl;
        return 1;
    } catch (const input_error& e) {
        std::cout << std::flush;
        std::cerr << "Error : " << e.what() << std::endl;
        return 1;
    } catch (const NEWMAT::BaseException&) {
        // A matrix step the model does not foresee: stop with the rows so far, never abort.
        std::cout << std::flush;
        std::cerr << "Error : the fit of a SNP failed in a matrix step: " << NEWMAT::BaseException::what()
                  << std::endl;
        return 1;
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << "Error : " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
