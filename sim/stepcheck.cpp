#include "sim/stepcheck.h"

#include <cfenv>
#include <memory>

#include "physics/faults.h"
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

StepCheck checkStep()
{
    StepCheck c;
    c.full = runSummary();
    Restore restore;
    QuietPort quiet(restore.port());
    setFormPort(&quiet);
    try {
        st.dt0 = st.dt0 / 2;
        Flugbahn(RunFiles::Skip);
        c.half = runSummary();
    } catch (const TorvError& e) {
        c.halfFailed = true;
        c.halfError = e.what();
        c.halfException = std::current_exception();
    }
    return c;
}

} // namespace torv
