// The ordered worker pool.
#include "ordered_workers.h"

#include <algorithm>

OrderedWorkers::OrderedWorkers(int count, int inFlight) : m_inFlight(std::max(inFlight, 1)) {
    for (int i = 0; i < std::max(count, 1); ++i) m_threads.emplace_back([this, i] { Run(i); });
}

OrderedWorkers::~OrderedWorkers() { Stop(); }

int OrderedWorkers::ForThisMachine() {
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::max(1, processors - 1);
}

bool OrderedWorkers::Submit(Work work, Ending ending) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_stopping || static_cast<int>(m_jobs.size()) < m_inFlight; });
    if (m_stopping) {
        lock.unlock();
        ending(false);
        return false;
    }
    m_jobs.push_back({m_next++, std::move(work), std::move(ending)});
    m_changed.notify_all();
    return true;
}

bool OrderedWorkers::TrySubmit(Work work, Ending ending) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_stopping || static_cast<int>(m_jobs.size()) >= m_inFlight) return false;
    m_jobs.push_back({m_next++, std::move(work), std::move(ending)});
    m_changed.notify_all();
    return true;
}

void OrderedWorkers::Drain() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_ending; });
}

void OrderedWorkers::Stop() {
    std::lock_guard<std::mutex> oneStop(m_stopLock);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopping && m_threads.empty()) return;
        m_stopping = true;
        m_changed.notify_all();
    }
    for (std::thread& thread : m_threads)
        if (thread.joinable()) thread.join();
    m_threads.clear();
    // What no thread took: ended without its work, in order. A Drain waiting on another thread
    // returns once these endings are over too.
    std::deque<Job> left;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        left.swap(m_jobs);
        m_ending = true;
    }
    for (Job& job : left) job.ending(false);
    std::lock_guard<std::mutex> lock(m_lock);
    m_ending = false;
    m_changed.notify_all();
}

void OrderedWorkers::Run(int worker) {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        // The front job ends as soon as its work is done, by whichever thread is free.
        // It stays in flight until its ending is over.
        if (!m_ending && !m_jobs.empty() && m_jobs.front().worked) {
            Ending ending = std::move(m_jobs.front().ending);
            m_ending = true;
            lock.unlock();
            ending(true);
            lock.lock();
            m_jobs.pop_front();
            m_ending = false;
            m_changed.notify_all();
            continue;
        }
        auto waiting = std::find_if(m_jobs.begin() + (m_ending ? 1 : 0), m_jobs.end(), [](const Job& j) { return !j.begun; });
        if (waiting != m_jobs.end() && !m_stopping) {
            waiting->begun = true;
            const uint64_t number = waiting->number;
            Work work = std::move(waiting->work);
            lock.unlock();
            work(worker);
            lock.lock();
            for (Job& job : m_jobs)  // the deque may have moved: find it again
                if (job.number == number) job.worked = true;
            m_changed.notify_all();
            continue;
        }
        // Stopping: a thread goes once nothing it could end or work on is left (a job another
        // thread works on is ended by that thread).
        const bool frontWorking = !m_jobs.empty() && m_jobs.front().begun;
        if (m_stopping && !frontWorking) return;
        m_changed.wait(lock);
    }
}
