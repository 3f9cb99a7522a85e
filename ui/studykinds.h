// The study window's questions asked around the form's one run rather than
// of a series: which inputs matter (sensitivity, with a tornado chart) and
// which input value reaches a target or gives the greatest or least output.
// Both go through torv-batch's own code, on a thread of their own, so that
// the window stays usable and Cancel ends them between two runs. Also the
// drawn inputs' shares of an output's variance after a seeded study.
#pragma once

#include <QImage>
#include <QWidget>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "batch/explore.h"
#include "model/fields.h"
#include "plot/tornado.h"
#include "scenarios/scenario.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace torv {

namespace batch {
struct Plan;
}

using Captions = std::vector<std::pair<Field, QString>>;

// One question on a thread of its own. `work` gets the hook to call before
// each run; `done` is called on the owner's thread with the error `work`
// threw (none when it ended or was cancelled). Destroying the worker cancels
// the question and waits for the run in progress.
class KindWorker {
public:
    ~KindWorker();
    bool busy() const { return busy_; }
    long long runs() const { return runs_; }
    bool cancelled() const { return stop_; }
    void cancel() { stop_ = true; }
    void start(QObject* owner, std::function<void(const batch::BeforeRun&)> work,
        std::function<void(std::exception_ptr)> done, std::function<void()> progress);

private:
    void join();
    std::thread thread_;
    std::atomic<bool> stop_ { false };
    std::atomic<long long> runs_ { 0 };
    bool busy_ = false;
};

// Around the form's inputs, each input changed by ± a per cent of itself.
class SensitivityPanel : public QWidget {
    Q_OBJECT
public:
    SensitivityPanel(QWidget* parent, Captions inputs);
    void setDelta(double percent);
    // The inputs to change; none: all the run reads.
    void tick(const std::vector<Field>& fields);
    // The study page's rows: inputs drawn there change by one standard
    // deviation of their law instead of the per cent.
    void setStudy(std::function<StudyTable()> study) { study_ = std::move(study); }
    bool start();
    void cancel() { worker_.cancel(); }
    bool running() const { return worker_.busy(); }
    // The rows as torv-batch --sensitivity writes them.
    std::string tableText() const;
    // The tornado chart of the chosen output.
    bool chooseOutput(const QString& column);
    std::vector<TornadoBar> bars() const;
    QImage picture(double ratio) const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void setTexts();
    void finished(std::exception_ptr error);
    void redraw();
    void savePng();
    void saveCsv();

    Captions inputs_;
    std::function<StudyTable()> study_;
    std::vector<batch::Vary> drawn_; // of the rows shown
    std::vector<batch::SensitivityRow> rows_;
    std::vector<const FieldInfo*> skipped_;
    double shownDelta_ = 0.01; // the change of the rows shown, a fraction
    long long planned_ = 0;

    QLabel* deltaLabel_;
    QDoubleSpinBox* delta_;
    QLabel* inputsLabel_;
    QListWidget* inputsList_;
    QPushButton* run_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QLabel* status_;
    QTableWidget* table_;
    QLabel* outputLabel_;
    QComboBox* output_;
    QLabel* picture_;
    QPushButton* savePng_;
    QPushButton* saveCsv_;
    QPushButton* close_;
    KindWorker worker_; // last: its thread ends before the rest goes
};

// The input's value in a range where an output meets a target, or where it
// is greatest or least.
class TargetPanel : public QWidget {
    Q_OBJECT
public:
    enum class Question { Solve, Maximize, Minimize };
    TargetPanel(QWidget* parent, Captions inputs);
    // The question as the window's fields take it; numbers as typed.
    void ask(Question question, Field field, const QString& lo, const QString& hi, const QString& column,
        const QString& value = {});
    bool start();
    void cancel() { worker_.cancel(); }
    bool running() const { return worker_.busy(); }
    // The answers as torv-batch writes them, and the notes in the form's
    // language.
    std::string tableText() const;
    QString notes() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void setTexts();
    void finished(std::exception_ptr error);
    void saveCsv();

    Captions inputs_;
    std::unique_ptr<batch::Plan> plan_; // of the answers shown
    std::vector<batch::Solution> found_;
    std::vector<batch::Trust> trust_;

    QLabel* questionLabel_;
    QComboBox* question_;
    QLabel* inputLabel_;
    QComboBox* input_;
    QLabel* fromLabel_;
    QLineEdit* lo_;
    QLabel* toLabel_;
    QLineEdit* hi_;
    QLabel* columnLabel_;
    QComboBox* column_;
    QLabel* valueLabel_;
    QLineEdit* value_;
    QPushButton* run_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QLabel* status_;
    QTableWidget* table_;
    QLabel* notes_;
    QPushButton* saveCsv_;
    QPushButton* close_;
    KindWorker worker_; // last: its thread ends before the rest goes
};

// After a seeded study: each drawn input's share of the variance of one
// output, r squared over the runs (`drawn` and `outputs` by run), as a line
// in the form's language; "" where no share can be given.
QString sharesText(const std::vector<const FieldInfo*>& fields, const Captions& captions,
    const std::vector<std::vector<double>>& drawn, const std::vector<double>& outputs, const QString& outputName);

} // namespace torv
