#include "analysis/stepcheck.h"

#include <algorithm>
#include <cfenv>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include "fault/faults.h"
#include "model/state.h"
#include "run/flugbahn.h"
#include "run/formport.h"
#include "run/steploop.h"

namespace torv {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A form that shows nothing: the fields keep their texts and the graph area
// its picture. EdS0 still stores its number back, as in a real run.
class QuietPort : public FormPort {
public:
    explicit QuietPort(FormPort& outer)
        : outer_(outer)
    {
    }
    void setEdBelastung(const std::string&) override { }
    void drawGraph() override { }
    bool runProgress(int pass, double t, double tEnd) override { return outer_.runProgress(pass, t, tEnd); }

private:
    FormPort& outer_;
};

// Puts the state, the form port and the floating-point flags back however
// the trial run ends.
class Restore {
public:
    Restore()
        : saved_(std::make_unique<SimState>(st))
        , port_(formPort())
    {
        std::fegetexceptflag(&flags_, FE_ALL_EXCEPT);
    }
    ~Restore()
    {
        st = *saved_;
        setFormPort(&port_);
        std::fesetexceptflag(&flags_, FE_ALL_EXCEPT);
    }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

    FormPort& port() { return port_; }

private:
    std::unique_ptr<SimState> saved_;
    FormPort& port_;
    std::fexcept_t flags_;
};

// The state's inputs run at `step`, quietly; the state is put back after,
// and the one the run left goes to `after` if given.
RunSummary trialRun(double step, std::shared_ptr<const SimState>* after = nullptr)
{
    Restore restore;
    QuietPort quiet(restore.port());
    setFormPort(&quiet);
    st.dt0 = step;
    Flugbahn(RunFiles::Skip);
    if (after)
        *after = std::make_shared<const SimState>(st);
    return runSummary();
}

QuantityCheck compareQuantity(const SummaryQuantity& q, const double (&y)[kCheckRuns], double target)
{
    QuantityCheck c { &q, { y[0], y[1], y[2] }, kNaN, Settling::NotConvergent, kNaN, kNaN, kNaN, 0 };
    const double scale = std::max(std::fabs(y[2]), q.floor);
    const double d1 = y[0] - y[1], d2 = y[1] - y[2];
    c.change = std::max(std::fabs(d1), std::fabs(d2)) / scale;
    if (d2 != 0)
        c.ratio = d1 / d2;
    if (c.change < kNegligibleShare * target) {
        c.settling = Settling::Unchanged;
    } else if (c.ratio >= kFirstOrderLow && c.ratio <= kFirstOrderHigh) {
        c.settling = Settling::FirstOrder;
        // The error of the finest run is the sum of the differences still to
        // come: d2 for a ratio of 2, d2 / (ratio - 1) where they shrink more
        // slowly; never taken below d2.
        c.finestError = std::fabs(d2) * std::max(1.0, 1 / (c.ratio - 1)) / scale;
        c.error = 4 * c.finestError;
        c.extrapolated = y[2] - d2;
    } else if (c.ratio > 1) {
        c.settling = Settling::NotYet;
    }
    return c;
}

bool settled(const QuantityCheck& q, double target)
{
    return q.settling == Settling::Unchanged || (q.settling == Settling::FirstOrder && q.finestError < target);
}

} // namespace

double roundDownTwoDigits(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return step;
    const double unit = std::pow(10.0, std::floor(std::log10(step)) - 1);
    double digits = std::floor(step / unit);
    // The quotient may round up to the next whole number.
    if (digits * unit > step)
        digits -= 1;
    return digits * unit;
}

StepCheck compareSteps(double dt0, const RunSummary (&runs)[kCheckRuns], double target)
{
    StepCheck c;
    c.dt0 = dt0;
    c.target = target;
    std::copy(std::begin(runs), std::end(runs), std::begin(c.runs));
    for (const SummaryQuantity& q : summaryQuantities()) {
        const double y[kCheckRuns] = { runs[0].*q.value, runs[1].*q.value, runs[2].*q.value };
        c.quantities.push_back(compareQuantity(q, y, target));
    }
    return c;
}

StepVerdict StepCheck::verdict() const
{
    StepVerdict v;
    // An unsettled quantity comes first, the one that changes most.
    double most = 0;
    for (size_t i = 0; i < quantities.size(); ++i) {
        const QuantityCheck& q = quantities[i];
        const bool unsettled = q.settling == Settling::NotYet || q.settling == Settling::NotConvergent;
        if (unsettled && (v.kind != StepVerdict::Kind::Unsettled || q.change > most)) {
            v.kind = StepVerdict::Kind::Unsettled;
            v.worst = static_cast<int>(i);
            most = q.change;
        }
    }
    if (v.kind == StepVerdict::Kind::Unsettled)
        return v;
    for (size_t i = 0; i < quantities.size(); ++i) {
        if (quantities[i].settling == Settling::FirstOrder && quantities[i].error > v.error) {
            v.error = quantities[i].error;
            v.worst = static_cast<int>(i);
        }
    }
    if (v.error > target) {
        v.kind = StepVerdict::Kind::Coarse;
        v.factor = v.error / target;
        // The error shrinks in proportion to the step from the finest run on;
        // a tenth to spare for the spread of the estimate itself, which the
        // run at the new step makes afresh.
        v.step = roundDownTwoDigits(kStepMargin * dt0 * target / v.error);
    }
    return v;
}

bool StepCheck::worthNotice() const
{
    return !failed() && verdict().kind != StepVerdict::Kind::Fine;
}

std::vector<RunSummary> summariesAtSteps(const std::vector<double>& steps)
{
    std::vector<RunSummary> runs;
    for (const double step : steps)
        runs.push_back(trialRun(step));
    return runs;
}

namespace {

// The summary of `state`'s inputs at `step`, run on a copy of it; the
// floating-point flags are put back after.
RunSummary trialRunOf(const SimState& state, double step)
{
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    const auto copy = std::make_unique<SimState>(state);
    copy->dt0 = step;
    try {
        runOn(*copy, portProgress());
    } catch (...) {
        std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
        throw;
    }
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    return copy->Summary;
}

} // namespace

StepCheck checkStep(const SimState& state, double target, bool sideBySide)
{
    const double dt0 = state.dt0;
    RunSummary runs[kCheckRuns] = { state.Summary };
    std::exception_ptr errors[kCheckRuns];
    const auto trial = [&](int k) {
        try {
            runs[k] = trialRunOf(state, dt0 / (1 << k));
        } catch (const TorvError&) {
            errors[k] = std::current_exception();
        }
    };
    if (sideBySide) {
        // The finest run, the longest, on a thread of its own.
        std::thread finest(trial, kCheckRuns - 1);
        try {
            for (int k = 1; k < kCheckRuns - 1; ++k)
                trial(k);
        } catch (...) {
            finest.join();
            throw;
        }
        finest.join();
    } else {
        for (int k = 1; k < kCheckRuns && !errors[k - 1]; ++k)
            trial(k);
    }
    for (int k = 1; k < kCheckRuns; ++k) {
        if (!errors[k])
            continue;
        StepCheck c;
        c.dt0 = dt0;
        c.target = target;
        // As one after the other: the runs after a failed one have none.
        for (int j = 0; j < k; ++j)
            c.runs[j] = runs[j];
        c.failedRun = k;
        try {
            std::rethrow_exception(errors[k]);
        } catch (const TorvError& e) {
            c.failure = e.what();
        }
        c.failureException = errors[k];
        return c;
    }
    return compareSteps(dt0, runs, target);
}

StepCheck checkStep(double target)
{
    const double dt0 = st.dt0;
    RunSummary runs[kCheckRuns] = { runSummary() };
    for (int k = 1; k < kCheckRuns; ++k) {
        try {
            runs[k] = summariesAtSteps({ dt0 / (1 << k) }).front();
        } catch (const TorvError& e) {
            StepCheck c;
            c.dt0 = dt0;
            c.target = target;
            std::copy(std::begin(runs), std::end(runs), std::begin(c.runs));
            c.failedRun = k;
            c.failure = e.what();
            c.failureException = std::current_exception();
            return c;
        }
    }
    return compareSteps(dt0, runs, target);
}

ConvergeResult converge(const ConvergeRequest& request)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::vector<int> chosen = request.quantities;
    if (chosen.empty())
        for (size_t i = 0; i < summaryQuantities().size(); ++i)
            chosen.push_back(static_cast<int>(i));

    ConvergeResult r;
    std::vector<RunSummary> runs; // at st.dt0, st.dt0 / 2, ...
    double step = st.dt0;
    double lastSeconds = 0;
    r.missing = chosen;
    for (;;) {
        // Halving the step doubles the steps and about doubles the time.
        if (!runs.empty()) {
            const double stepsNeeded = r.finest.flightTime / step;
            if (stepsNeeded > 0.99 * static_cast<double>(kMaxStepsPerPass)) {
                r.stop = ConvergeResult::Stop::TooManySteps;
                break;
            }
            if (elapsed() + 2 * lastSeconds > request.budget) {
                r.stop = ConvergeResult::Stop::Budget;
                break;
            }
        }
        if (request.progress && !request.progress(step, elapsed())) {
            r.stop = ConvergeResult::Stop::Cancelled;
            break;
        }
        const double before = elapsed();
        try {
            runs.push_back(trialRun(step, &r.finestState));
        } catch (const RunCancelled&) {
            r.stop = ConvergeResult::Stop::Cancelled;
            break;
        } catch (const StepRefused& e) {
            r.stop = e.why() == StepRefused::Why::TooMany ? ConvergeResult::Stop::TooManySteps
                                                          : ConvergeResult::Stop::Failed;
            r.failure = e.what();
            r.failureException = std::current_exception();
            break;
        } catch (const TorvError& e) {
            r.stop = ConvergeResult::Stop::Failed;
            r.failure = e.what();
            r.failureException = std::current_exception();
            break;
        }
        lastSeconds = elapsed() - before;
        r.step = step;
        r.finest = runs.back();
        if (runs.size() >= kCheckRuns) {
            const size_t n = runs.size();
            const RunSummary last[kCheckRuns] = { runs[n - 3], runs[n - 2], runs[n - 1] };
            r.check = compareSteps(4 * step, last, request.target);
            r.missing.clear();
            for (const int i : chosen)
                if (!settled(r.check.quantities[static_cast<size_t>(i)], request.target))
                    r.missing.push_back(i);
            if (r.missing.empty()) {
                r.stop = ConvergeResult::Stop::Converged;
                break;
            }
        }
        step /= 2;
    }
    r.seconds = elapsed();
    return r;
}

} // namespace torv
