// A run's progress on the calculation form: from 0.3 s into a run, a modal
// dialog with the pass, the simulated time and Cancel, while the form goes
// on repainting; and the run's own state kept safe from the widget work.
#pragma once

#include <QElapsedTimer>

#include <cfenv>

class QProgressDialog;
class QWidget;

namespace torv {

class RunProgress {
public:
    explicit RunProgress(QWidget* form);

    // Runs `run` with the dialog armed, and takes it down after, however
    // `run` ends.
    template <typename F> void during(F&& run)
    {
        struct Ending {
            RunProgress* progress;
            ~Ending() { progress->end(); }
        } ending { this };
        start();
        run();
    }

    // A run's report (FormPort::runProgress): false once Cancel was pressed.
    bool update(int pass, double t, double tEnd);

private:
    void start();
    void end();

    QWidget* form_;
    QElapsedTimer runClock_; // valid while a run goes on
    QElapsedTimer shown_; // since the dialog's last update
    QProgressDialog* dialog_ = nullptr;
};

// Widget work during a run may leave stray flags behind (and a field's
// handler starts by clearing them); the run's own flags must survive it,
// and its step loop must find the vector registers clean.
class KeepRunState {
public:
    KeepRunState();
    ~KeepRunState();

private:
    std::fexcept_t flags_;
};

} // namespace torv
