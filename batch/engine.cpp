#include "batch/engine.h"

#include <algorithm>
#include <array>
#include <cfenv>

namespace torv::batch {

namespace {

// A run's progress on an engine thread: it goes on until the engine is
// cancelled.
class StopObserver : public RunObserver {
public:
    explicit StopObserver(const std::atomic<bool>& stop)
        : stop_(stop)
    {
    }
    bool progress(int, double, double) override { return !stop_.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& stop_;
};

} // namespace

Engine::Engine(const Plan& plan, int threads, long long window, RunFunction run)
    : plan_(plan)
    , run_(std::move(run))
    , pairs_(!run_)
    , count_(plan.count())
    , window_(std::max(1LL, window))
    , threadCount_(static_cast<int>(std::clamp<long long>(threads, 1, std::max(1LL, plan.count()))))
{
    if (!run_)
        run_ = [this](long long i, RunObserver& observer) { return runAlone(plan_, i, {}, observer); };
}

Engine::~Engine()
{
    cancel();
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
}

void Engine::start(Wake wake)
{
    wake_ = std::move(wake);
    {
        const std::lock_guard lock(mutex_);
        working_ = threadCount_;
    }
    for (int k = 0; k < threadCount_; ++k) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (...) {
            // The threads that did start do the runs; none at all is an error.
            const std::lock_guard lock(mutex_);
            working_ -= threadCount_ - k;
            if (k == 0)
                throw;
            break;
        }
    }
}

void Engine::work()
{
    // Every run in the default floating-point environment, whatever the
    // thread that made this one had set.
    std::fesetenv(FE_DFL_ENV);
    StopObserver observer(stop_);
    std::unique_lock lock(mutex_);
    for (;;) {
        moreWork_.wait(lock, [this] { return cancelled_ || next_ >= count_ || next_ < taken_ + window_; });
        if (cancelled_ || next_ >= count_)
            break;
        const long long i = next_++;
        held_.emplace_back();
        const int n = pairs_ && next_ < count_ && next_ < taken_ + window_ ? 2 : 1;
        if (n == 2) {
            ++next_;
            held_.emplace_back();
        }
        lock.unlock();
        std::array<RunResult, 2> r;
        try {
            if (n == 2)
                r = runTwo(plan_, i, i + 1, observer);
            else
                r[0] = run_(i, observer);
        } catch (const std::exception& e) {
            r[0].status = r[1].status = kWorkerLost;
            r[0].error = r[1].error = e.what();
        } catch (...) {
            r[0].status = r[1].status = kWorkerLost;
            r[0].error = r[1].error = "no result";
        }
        lock.lock();
        // A run that ended after the cancel may be cut off: it has no result.
        if (cancelled_)
            break;
        for (int k = 0; k < n; ++k)
            held_[static_cast<size_t>(i + k - taken_)] = std::move(r[static_cast<size_t>(k)]);
        const bool first = i == taken_;
        lock.unlock();
        if (first) {
            moreResults_.notify_all();
            if (wake_)
                wake_();
        }
        lock.lock();
    }
    --working_;
    lock.unlock();
    moreResults_.notify_all();
    if (wake_)
        wake_();
}

bool Engine::ready() const
{
    return !held_.empty() && held_.front().has_value();
}

bool Engine::over() const
{
    return taken_ >= count_ || (cancelled_ && working_ == 0 && !ready());
}

std::vector<std::pair<long long, RunResult>> Engine::take(std::chrono::milliseconds wait)
{
    std::vector<std::pair<long long, RunResult>> results;
    {
        std::unique_lock lock(mutex_);
        moreResults_.wait_for(lock, wait, [this] { return ready() || over(); });
        while (ready()) {
            results.emplace_back(taken_++, std::move(*held_.front()));
            held_.pop_front();
        }
    }
    if (!results.empty())
        moreWork_.notify_all();
    return results;
}

void Engine::cancel()
{
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
        stop_ = true;
    }
    moreWork_.notify_all();
}

bool Engine::cancelled() const
{
    const std::lock_guard lock(mutex_);
    return cancelled_;
}

bool Engine::finished() const
{
    const std::lock_guard lock(mutex_);
    return over();
}

long long Engine::taken() const
{
    const std::lock_guard lock(mutex_);
    return taken_;
}

void runAll(const Plan& plan, int threads, const std::function<void(long long, RunResult&)>& put)
{
    Engine engine(plan, threads, plan.window);
    engine.start();
    while (!engine.finished())
        for (auto& [i, r] : engine.take(std::chrono::milliseconds(100)))
            put(i, r);
}

} // namespace torv::batch
