// The ordered worker pool: work side by side, endings in the order the jobs came, no more jobs
// in flight than allowed, and a stop that ends what was not begun.
#include "recorder/ordered_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace {

TEST(OrderedWorkers, EndingsComeInTheOrderTheJobsCameWhateverTheirWorkTakes) {
    for (int threads : {1, 3}) {
        OrderedWorkers pool(threads, threads + 1);
        std::vector<int> ended;
        std::atomic<int> inFlight{0}, mostInFlight{0}, working{0}, mostWorking{0};
        for (int i = 0; i < 60; ++i) {
            pool.Submit(
                [&, i](int) {
                    int busy = ++working;
                    for (int seen = mostWorking; busy > seen && !mostWorking.compare_exchange_weak(seen, busy);) {
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 3000));  // uneven
                    --working;
                },
                [&, i](bool done) {
                    EXPECT_TRUE(done);
                    ended.push_back(i);  // endings never overlap: no lock
                    --inFlight;
                });
            int now = ++inFlight;  // submitted and not yet ended
            for (int seen = mostInFlight; now > seen && !mostInFlight.compare_exchange_weak(seen, now);) {
            }
        }
        pool.Drain();
        ASSERT_EQ(ended.size(), 60u) << threads;
        for (int i = 0; i < 60; ++i) EXPECT_EQ(ended[i], i) << threads;
        EXPECT_LE(mostInFlight.load(), threads + 1);
        EXPECT_EQ(mostWorking.load() > 1, threads > 1);  // side by side where there are threads to
    }
}

TEST(OrderedWorkers, AStopEndsWhatWasNotBegunAndRefusesMore) {
    OrderedWorkers pool(1, 4);
    std::mutex gate;
    gate.lock();  // the first job's work waits here
    std::vector<bool> done;
    std::atomic<bool> begun{false};
    pool.Submit([&](int) { begun = true; std::lock_guard<std::mutex> hold(gate); }, [&](bool d) { done.push_back(d); });
    while (!begun) std::this_thread::yield();
    for (int i = 0; i < 3; ++i) pool.Submit([](int) { FAIL() << "never begun"; }, [&](bool d) { done.push_back(d); });
    // The producer drains while another thread stops the pool: the drain returns once every
    // job has ended.
    std::atomic<bool> drained{false};
    size_t endedWhenDrained = 0;
    std::thread producer([&] {
        pool.Drain();
        endedWhenDrained = done.size();
        drained = true;
    });
    std::thread stopper([&] { pool.Stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gate.unlock();
    stopper.join();
    for (int waited = 0; !drained && waited < 5000; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(drained) << "Drain never returned";
    producer.join();
    EXPECT_EQ(endedWhenDrained, 4u);
    EXPECT_EQ(done, (std::vector<bool>{true, false, false, false}));  // the one being worked on finished
    bool ended = true;
    EXPECT_FALSE(pool.Submit([](int) {}, [&](bool d) { ended = d; }));
    EXPECT_FALSE(ended);
}

}  // namespace
