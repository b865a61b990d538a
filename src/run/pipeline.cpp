// pipeline.cpp -- a bounded window of SNPs in flight: read on the calling
// thread, decoded and fitted by a pool of workers, written on a thread of its own.
#include "pipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// A slot goes TAKEN (waiting for prepare), READY (for accept), FITTING, DONE, FREE.
enum slot_state { FREE, TAKEN, READY, FITTING, DONE };

struct slot {
    row_job job;
    snp_result result;
    slot_state state = FREE;
    std::exception_ptr error;
};

class pool {
public:
    pool(std::vector<std::unique_ptr<worker>>& workers, size_t window, const std::function<void(row_job&)>& prepare,
         const std::function<void(snp_result&)>& done)
        : slots_(window), prepare_(prepare), done_(done)
    {
        for (auto& w : workers) threads_.emplace_back([this, &w] { work(*w); });
        threads_.emplace_back([this] { write(); });
    }
    ~pool()
    {
        {
            std::lock_guard<std::mutex> g(m_);
            stop_ = true;
        }
        work_cv_.notify_all();
        write_cv_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    slot& at(long k) { return slots_[static_cast<size_t>(k) % slots_.size()]; }
    bool is(long k, slot_state s)
    {
        std::lock_guard<std::mutex> g(m_);
        return at(k).state == s;
    }
    bool failed()
    {
        std::lock_guard<std::mutex> g(m_);
        return failed_;
    }
    // True while row `taken` has a free slot (and the writing has not failed).
    bool room(long taken)
    {
        std::lock_guard<std::mutex> g(m_);
        return !failed_ && taken - written_ < static_cast<long>(slots_.size());
    }
    void set(long k, slot_state s)
    {
        {
            std::lock_guard<std::mutex> g(m_);
            at(k).state = s;
            if (s == TAKEN) decode_.push_back(k);
            if (s == FITTING) fit_.push_back(k);
        }
        work_cv_.notify_one();
    }
    // Waits until the slot `ready` is READY (-1: none), row `taken` has a slot
    // (-1: none) or the writing has failed.
    void wait(long ready, long taken)
    {
        std::unique_lock<std::mutex> g(m_);
        changed_cv_.wait(g, [&] {
            return failed_ || (ready >= 0 && at(ready).state == READY) ||
                   (taken >= 0 && taken - written_ < static_cast<long>(slots_.size()));
        });
    }
    // Waits until the first `rows` rows are written or the writing failed, and
    // returns the error of a fit or of done() that stopped it.
    std::exception_ptr finish(long rows)
    {
        std::unique_lock<std::mutex> g(m_);
        end_ = rows;
        write_cv_.notify_all();
        changed_cv_.wait(g, [&] { return failed_ || written_ == rows; });
        return error_;
    }

private:
    void work(worker& w)
    {
        for (;;) {
            long k;
            bool fit;
            {
                std::unique_lock<std::mutex> g(m_);
                work_cv_.wait(g, [&] { return stop_ || !decode_.empty() || !fit_.empty(); });
                if (stop_) return;
                // Decoding first: the rows it readies keep the fits coming.
                fit = decode_.empty();
                std::deque<long>& q = fit ? fit_ : decode_;
                k = q.front();
                q.pop_front();
            }
            slot& s = at(k);
            try {
                if (fit)
                    w.fit(s.job, s.result);
                else
                    prepare_(s.job);
            } catch (...) {
                s.error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> g(m_);
                s.state = fit ? DONE : READY;
            }
            (fit ? write_cv_ : changed_cv_).notify_all();
        }
    }
    // The results in row order; a failed fit or write stops it.
    void write()
    {
        for (long k = 0;; ++k) {
            {
                std::unique_lock<std::mutex> g(m_);
                write_cv_.wait(g, [&] { return stop_ || k == end_ || at(k).state == DONE; });
                if (stop_ || k == end_) return;
            }
            slot& s = at(k);
            std::exception_ptr e = s.error;
            if (!e) {
                try {
                    done_(s.result);
                } catch (...) {
                    e = std::current_exception();
                }
            }
            {
                std::lock_guard<std::mutex> g(m_);
                if (e) {
                    error_ = e;
                    failed_ = true;
                } else {
                    s.state = FREE;
                    written_ = k + 1;
                }
            }
            changed_cv_.notify_all();
            if (e) return;
        }
    }
    std::vector<slot> slots_;
    const std::function<void(row_job&)>& prepare_;
    const std::function<void(snp_result&)>& done_;
    std::vector<std::thread> threads_;
    std::deque<long> decode_, fit_;
    std::mutex m_;
    std::condition_variable work_cv_, write_cv_, changed_cv_;
    long written_ = 0, end_ = -1;
    bool stop_ = false, failed_ = false;
    std::exception_ptr error_;
};

}  // namespace

void run_pipeline(std::vector<std::unique_ptr<worker>>& workers, size_t window, const row_steps& rows,
                  const std::function<void(snp_result&)>& done)
{
    if (workers.size() == 1) {
        row_job job;
        snp_result r;
        while (rows.take(job)) {
            if (rows.prepare) rows.prepare(job);
            if (!rows.accept(job)) break;
            workers[0]->fit(job, r);
            done(r);
        }
        return;
    }
    pool p(workers, window < 2 ? 2 : window, rows.prepare, done);
    long taken = 0, accepted = 0;
    bool more = true, ended = false;
    std::exception_ptr take_error, read_error;
    for (;;) {
        while (more && p.room(taken)) {
            // The slot is free, so no other thread touches it while the row is taken.
            slot& s = p.at(taken);
            try {
                more = rows.take(s.job);
            } catch (...) {
                take_error = std::current_exception();
                more = false;
            }
            if (!more) break;
            s.error = nullptr;
            p.set(taken++, rows.prepare ? TAKEN : READY);
        }
        while (!ended && accepted < taken && p.is(accepted, READY)) {
            slot& s = p.at(accepted);
            bool go = false;
            try {
                if (s.error) std::rethrow_exception(s.error);
                go = rows.accept(s.job);
            } catch (...) {
                read_error = std::current_exception();
            }
            if (!go) {
                ended = true;
                more = false;
                break;
            }
            p.set(accepted++, FITTING);
        }
        // A failed take is the row after the last one taken, so it counts only when reached.
        if (!ended && !more && accepted == taken && take_error) {
            read_error = take_error;
            ended = true;
        }
        const bool accepting = !ended && accepted < taken;
        if (p.failed() || (!accepting && (ended || !more))) break;
        p.wait(accepting ? accepted : -1, more ? taken : -1);
    }
    // Every row accepted is written before the reading's error is thrown.
    std::exception_ptr write_error = p.finish(accepted);
    if (write_error) std::rethrow_exception(write_error);
    if (read_error) std::rethrow_exception(read_error);
}
