// The study engine: a plan's runs on threads of this process, each run on a
// state of its own, its results handed over in run order whatever the
// number of threads. The window, torv-batch and the Python module share it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "batch/batch.h"
#include "batch/runs.h"
#include "run/steploop.h"

namespace torv::batch {

class Engine {
public:
    // Run `i` of the plan; `observer` hears its progress and stops it once
    // the engine is cancelled. Called on the engine's threads.
    using RunFunction = std::function<RunResult(long long i, RunObserver& observer)>;
    // Told from an engine thread that a result is in or a thread has ended:
    // the caller's cue to take() without waiting.
    using Wake = std::function<void()>;

    // `threads` at least 1; no more than `window` runs are ahead of the
    // first result not yet taken. Without `run`, runAlone without files, two
    // runs at a time on a thread (runTwo).
    Engine(const Plan& plan, int threads, long long window = 1024, RunFunction run = {});
    // Cancels and waits for the threads: a run under way stops at its next
    // progress report.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void start(Wake wake = {});
    // The results now in order after those taken, waiting up to `wait` for
    // the first of them.
    std::vector<std::pair<long long, RunResult>> take(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    // No run starts any more and the runs under way stop; what finished in
    // run order before the first run that did not is still taken.
    void cancel();
    bool cancelled() const;
    // Every result that will come has been taken.
    bool finished() const;
    long long taken() const;
    long long count() const { return count_; }

private:
    void work();
    bool ready() const; // under the lock: the next result to take is in
    bool over() const; // under the lock: no further result will come

    const Plan& plan_;
    RunFunction run_;
    const bool pairs_; // runs go two at a time
    Wake wake_;
    const long long count_;
    const long long window_;
    const int threadCount_;
    std::vector<std::thread> threads_;

    mutable std::mutex mutex_;
    std::condition_variable moreWork_, moreResults_;
    long long next_ = 0; // the next run to hand out
    long long taken_ = 0; // the first run whose result is not taken
    std::deque<std::optional<RunResult>> held_; // runs taken_ .. next_ - 1
    int working_ = 0; // threads not yet ended
    bool cancelled_ = false;
    std::atomic<bool> stop_ = false; // cancelled_, for the runs' observers
};

// Every run of the plan on `threads` threads; `put` gets each result in run
// order on the calling thread, as soon as it and all before it are in.
void runAll(const Plan& plan, int threads, const std::function<void(long long, RunResult&)>& put);

} // namespace torv::batch
