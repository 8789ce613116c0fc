// A small pool of threads that does one job per frame: the jobs' work runs side by side, their
// endings (delivering the frame) one at a time in the order the jobs came. At most `inFlight`
// jobs are submitted and not yet ended; a submission past that waits, so that a producer faster
// than the pool is held back rather than queueing without bound. Portable: standard threads.
//
// Threads: Submit, TrySubmit and Drain from one producing thread (a frame's streaming thread); Stop from
// that thread or any other (the graph's, as it stops), also while the producer waits in Submit
// or Drain, which then return; the destructor once no other thread calls in. Work and endings
// run on the pool's threads, the endings of jobs never begun on Stop's.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class OrderedWorkers {
public:
    // The work, given the number (0 to count - 1) of the thread doing it.
    using Work = std::function<void(int worker)>;
    // The ending, given whether the work was done (false: the pool stopped before it was).
    using Ending = std::function<void(bool done)>;

    OrderedWorkers(int count, int inFlight);
    ~OrderedWorkers();  // Stop
    OrderedWorkers(const OrderedWorkers&) = delete;
    OrderedWorkers& operator=(const OrderedWorkers&) = delete;

    // Queues a job; waits while `inFlight` are queued or working. False (and the ending is run
    // with false at once) after Stop.
    bool Submit(Work work, Ending ending);
    // Queues a job unless `inFlight` are queued or working, or the pool stopped: false then,
    // without waiting, and nothing of the job runs.
    bool TrySubmit(Work work, Ending ending);
    // Waits until every job submitted so far has ended.
    void Drain();
    // Jobs not yet begun end without their work; jobs being worked on finish; the threads end.
    void Stop();

    int Count() const { return static_cast<int>(m_threads.size()); }
    // Processor threads less one (for the thread that feeds the pool), at least one.
    static int ForThisMachine();

private:
    struct Job {
        uint64_t number;
        Work work;
        Ending ending;
        bool begun = false, worked = false;
    };
    void Run(int worker);

    std::mutex m_stopLock;  // one Stop at a time
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;  // in the order they came; the front ends first
    uint64_t m_next = 0;
    int m_inFlight;
    bool m_stopping = false;
    bool m_ending = false;  // a thread is running an ending (Stop: those of jobs never begun)
    std::vector<std::thread> m_threads;
};
