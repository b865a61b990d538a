// pipeline.cpp -- a bounded window of SNPs in flight, fitted by a pool of workers.
#include "pipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

enum slot_state { FREE, QUEUED, DONE };

struct slot {
    row_job job;
    snp_result result;
    slot_state state = FREE;
    std::exception_ptr error;
};

class pool {
public:
    pool(std::vector<std::unique_ptr<worker>>& workers, size_t window) : slots_(window)
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
    size_t size() const { return slots_.size(); }
    void queue(long k)
    {
        {
            std::lock_guard<std::mutex> g(m_);
            at(k).state = QUEUED;
            queue_.push_back(k);
        }
        work_cv_.notify_one();
    }
    // Waits for job k when wait is set; false when it is not done.
    bool done(long k, bool wait)
    {
        std::unique_lock<std::mutex> g(m_);
        if (wait) done_cv_.wait(g, [&] { return at(k).state == DONE; });
        return at(k).state == DONE;
    }
    void release(long k)
    {
        std::lock_guard<std::mutex> g(m_);
        at(k).state = FREE;
    }

private:
    void work(worker& w)
    {
        for (;;) {
            long k;
            {
                std::unique_lock<std::mutex> g(m_);
                work_cv_.wait(g, [&] { return stop_ || !queue_.empty(); });
                if (stop_) return;
                k = queue_.front();
                queue_.pop_front();
            }
            slot& s = at(k);
            try {
                w.fit(s.job, s.result);
            } catch (...) {
                s.error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> g(m_);
                s.state = DONE;
            }
            done_cv_.notify_all();
        }
    }
    std::vector<slot> slots_;
    std::vector<std::thread> threads_;
    std::deque<long> queue_;
    std::mutex m_;
    std::condition_variable work_cv_, done_cv_;
    bool stop_ = false;
};

}  // namespace

void run_pipeline(std::vector<std::unique_ptr<worker>>& workers, size_t window,
                  const std::function<bool(row_job&)>& next,
                  const std::function<void(snp_result&)>& done)
{
    if (workers.size() == 1) {
        row_job job;
        snp_result r;
        while (next(job)) {
            workers[0]->fit(job, r);
            done(r);
        }
        return;
    }
    pool p(workers, window < 2 ? 2 : window);
    long read = 0, written = 0;
    bool more = true;
    std::exception_ptr read_error;
    auto write_one = [&](long k) {
        slot& s = p.at(k);
        if (s.error) std::rethrow_exception(s.error);
        done(s.result);
        p.release(k);
    };
    for (;;) {
        while (more && static_cast<size_t>(read - written) < p.size()) {
            // The slot is free, so no worker touches it while the row is read.
            try {
                more = next(p.at(read).job);
            } catch (...) {
                read_error = std::current_exception();
                more = false;
            }
            if (!more) break;
            p.queue(read++);
            while (written < read && p.done(written, false)) write_one(written++);
        }
        if (written == read) break;
        p.done(written, true);
        write_one(written++);
    }
    if (read_error) std::rethrow_exception(read_error);
}
