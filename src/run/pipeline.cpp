// pipeline.cpp -- a bounded window of SNPs in flight, decoded and fitted by a pool of workers.
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
    pool(std::vector<std::unique_ptr<worker>>& workers, size_t window, const std::function<void(row_job&)>& prepare)
        : slots_(window), prepare_(prepare)
    {
        for (auto& w : workers) threads_.emplace_back([this, &w] { work(*w); });
    }
    ~pool()
    {
        {
            std::lock_guard<std::mutex> g(m_);
            stop_ = true;
        }
        work_cv_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    slot& at(long k) { return slots_[static_cast<size_t>(k) % slots_.size()]; }
    long size() const { return static_cast<long>(slots_.size()); }
    bool is(long k, slot_state s)
    {
        std::lock_guard<std::mutex> g(m_);
        return at(k).state == s;
    }
    void set(long k, slot_state s)
    {
        {
            std::lock_guard<std::mutex> g(m_);
            at(k).state = s;
            if (s == TAKEN) decode_.push_back(k);
            if (s == FITTING) fit_.push_back(k);
        }
        if (s == TAKEN || s == FITTING) work_cv_.notify_one();
    }
    // Waits until the slot `ready` is READY or the slot `done` is DONE (-1: none).
    void wait(long ready, long done)
    {
        std::unique_lock<std::mutex> g(m_);
        changed_cv_.wait(g, [&] {
            return (ready >= 0 && at(ready).state == READY) || (done >= 0 && at(done).state == DONE);
        });
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
            changed_cv_.notify_all();
        }
    }
    std::vector<slot> slots_;
    const std::function<void(row_job&)>& prepare_;
    std::vector<std::thread> threads_;
    std::deque<long> decode_, fit_;
    std::mutex m_;
    std::condition_variable work_cv_, changed_cv_;
    bool stop_ = false;
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
    pool p(workers, window < 2 ? 2 : window, rows.prepare);
    long taken = 0, accepted = 0, written = 0;
    bool more = true, ended = false;
    std::exception_ptr take_error, read_error;
    for (;;) {
        while (more && taken - written < p.size()) {
            // The slot is free, so no worker touches it while the row is taken.
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
        while (written < accepted && p.is(written, DONE)) {
            slot& s = p.at(written++);
            if (s.error) std::rethrow_exception(s.error);
            done(s.result);
            p.set(written - 1, FREE);
        }
        const bool accepting = !ended && accepted < taken;
        if (!accepting && written == accepted && (ended || !more)) break;
        if (accepting || written < accepted) p.wait(accepting ? accepted : -1, written < accepted ? written : -1);
    }
    if (read_error) std::rethrow_exception(read_error);
}
