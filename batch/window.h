// The order in which a sweep's runs go out and their lines come back: runs
// are handed out in order, never more than a window ahead of the first line
// not yet written, and lines are written in run order as soon as a line and
// all before it are in. What is held is bounded by the window, whatever the
// number of runs.
#pragma once

#include <deque>
#include <optional>
#include <utility>

namespace torv::batch {

template <typename Result> class RunWindow {
public:
    RunWindow(long long count, long long window)
        : count_(count)
        , window_(window)
    {
    }

    // The next run to hand out, if there is one and the window has room.
    std::optional<long long> next()
    {
        if (next_ >= count_ || next_ >= first_ + window_)
            return std::nullopt;
        held_.emplace_back(); // its place, runs first_ .. next_ in order
        return next_++;
    }

    // Run `index`, handed out before, is done; `put` gets every result now
    // in order, in run order, with its index.
    template <typename Put> void done(long long index, Result result, Put&& put)
    {
        held_[static_cast<size_t>(index - first_)] = std::move(result);
        while (!held_.empty() && held_.front()) {
            put(first_, std::move(*held_.front()));
            held_.pop_front();
            ++first_;
        }
    }

    bool finished() const { return first_ >= count_; }
    long long written() const { return first_; }
    long long handedOut() const { return next_; }
    // Results in, waiting for an earlier one.
    long long held() const
    {
        long long n = 0;
        for (const auto& r : held_)
            n += r ? 1 : 0;
        return n;
    }

private:
    long long count_;
    long long window_;
    long long next_ = 0; // the next run to hand out
    long long first_ = 0; // the first run whose line is not written
    std::deque<std::optional<Result>> held_; // runs first_, first_ + 1, ...
};

} // namespace torv::batch
