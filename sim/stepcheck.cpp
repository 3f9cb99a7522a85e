#include "sim/stepcheck.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <memory>

#include "fault/faults.h"
#include "sim/flugbahn.h"
#include "sim/formport.h"
#include "sim/state.h"

namespace torv {

namespace {

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

} // namespace

StepCheck compareSteps(double dt0, const RunSummary& full, const RunSummary& half)
{
    StepCheck c;
    c.dt0 = dt0;
    c.full = full;
    c.half = half;
    for (const SummaryQuantity& q : summaryQuantities()) {
        QuantityCheck r { &q, full.*q.value, half.*q.value, 0, 0, 0 };
        r.difference = r.full - r.half;
        r.extrapolated = 2 * r.half - r.full;
        r.relative = r.difference / std::max(std::fabs(r.extrapolated), q.floor);
        c.quantities.push_back(r);
    }
    return c;
}

StepVerdict StepCheck::verdict() const
{
    StepVerdict v;
    double most = 0;
    for (size_t i = 0; i < quantities.size(); ++i) {
        if (std::fabs(quantities[i].relative) > most) {
            most = std::fabs(quantities[i].relative);
            v.worst = static_cast<int>(i);
        }
    }
    if (v.worst >= 0) {
        // First order: the error at dt0 is about twice the difference, and
        // shrinks in proportion to the step.
        v.error = 2 * most;
        v.step = dt0 * kTargetError / v.error;
    }
    return v;
}

bool StepCheck::worthNotice() const
{
    return std::any_of(quantities.begin(), quantities.end(),
        [](const QuantityCheck& q) { return std::fabs(q.relative) > kNoticeChange; });
}

StepCheck checkStep()
{
    const double dt0 = st.dt0;
    const RunSummary full = runSummary();
    RunSummary half;
    try {
        // Unwinding puts the state back before an error is reported.
        Restore restore;
        QuietPort quiet(restore.port());
        setFormPort(&quiet);
        st.dt0 = dt0 / 2;
        Flugbahn(RunFiles::Skip);
        half = runSummary();
    } catch (const TorvError& e) {
        return { .dt0 = dt0,
            .full = full,
            .half = {},
            .halfFailed = true,
            .halfError = e.what(),
            .halfException = std::current_exception(),
            .quantities = {} };
    }
    return compareSteps(dt0, full, half);
}

} // namespace torv
