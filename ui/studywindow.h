// The study window of the calculation form: a sweep or a grid of inputs, or
// a seeded study of inputs drawn at random, run from the form's current
// inputs through the same plan and runs as torv-batch's, with a table of the
// runs and a picture of one output.
#pragma once

#include <QDialog>
#include <QImage>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/keptruns.h"
#include "batch/studyfigures.h"
#include "model/fields.h"
#include "model/state.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;

namespace torv {

struct StudyTable;
class SensitivityPanel;
class TargetPanel;

namespace batch {
struct Plan;
class StudyColumns;
class Engine;
enum class Format;
} // namespace batch

struct StudyChart;

class StudyWindow : public QDialog {
public:
    enum class Law { Sweep, Normal, Uniform, Triangular };
    // The pictures: an output against the swept input, a family of such
    // curves (a grid), a study's histogram, cumulative distribution and
    // scatter against a varied input, and the graph of every run as a band.
    enum class Picture { Curve, Family, Histogram, Cdf, Scatter, Band };

    // `inputs`: the fields the form shows, each with its caption there.
    StudyWindow(QWidget* parent, std::vector<std::pair<Field, QString>> inputs);
    ~StudyWindow() override;

    // A row: the input, its law and the law's numbers as the batch program
    // takes them after the law's name ("10:50:5", "log:1:100:3", "1,2,4").
    void addRow(Field field, Law law, const QString& numbers);
    void setRuns(int runs, quint64 seed);
    // The rows, runs and seed as a scenario file's [study] table keeps them,
    // and the window's rows from one.
    StudyTable study() const;
    void setStudy(const StudyTable& study);
    // What "Save study…" does with the table: writes it with the form's
    // inputs.
    void setSaveStudy(std::function<void(const StudyTable&)> save) { saveStudy_ = std::move(save); }

    // Makes the plan from the form's inputs now and starts its runs on the
    // engine's threads; their results come in between turns of the event
    // loop. False (and a box) when the rows make no plan.
    bool start();
    void cancel();
    // Runs of any kind going on.
    bool running() const;
    const std::vector<std::pair<Field, QString>>& inputs() const { return inputs_; }
    long long finishedRuns() const { return static_cast<long long>(numbers_.size()); }
    long long plannedRuns() const;

    // The table as torv-batch's summary writes it, as CSV or JSON lines: the
    // header, then the finished runs' lines in run order.
    std::string summaryText() const;
    std::string summaryText(batch::Format format) const;
    // The picture of the chosen output at `ratio` device pixels per pixel.
    QImage picture(double ratio) const;
    // Chooses the output the picture shows, by its summary column name.
    bool chooseOutput(const QString& column);
    // The pictures that fit the rows (or the runs made), and the one shown.
    std::vector<Picture> pictures() const;
    bool choosePicture(Picture kind);
    // The graph the band draws: the form's graph pair when a study starts,
    // as series codes of the horizontal and the first curve.
    std::pair<int, int> bandPair() const { return { xCode_, yCode_ }; }

    // How many runs the form's graph can still keep, and what keeps them.
    void setGraphKeeper(std::function<int()> room, std::function<void(std::vector<KeptRun>)> keep);
    // The chosen rows of the table, run again and kept on the form's graph.
    void drawOnGraph();

    // The picture as PNG, at the screen's pixel ratio. Throws IoError.
    void writePng(const QString& path) const;

    void saveCsv();
    void saveJson();
    void savePng();
    // Asks for a file and writes the form's inputs with the study's table.
    void saveStudyFile();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setTexts();
    void addTypedRow();
    void removeRow();
    void takeResults();
    void finish();
    void showRun(long long i, const std::vector<double>& numbers, const std::string& error);
    void redrawPicture();
    void offerPictures();
    StudyChart chart() const;
    QString rowText(size_t k) const;
    // Why the rows make no plan, in the form's language where makePlan
    // names the problem.
    QString planProblemText(const std::exception& e) const;

    struct Row {
        Field field;
        Law law;
        QString numbers;
    };
    std::vector<std::pair<Field, QString>> inputs_;
    std::vector<Row> rows_;
    std::unique_ptr<batch::Plan> plan_;
    std::unique_ptr<batch::StudyColumns> columns_; // a study's columns for its statistics
    std::unique_ptr<batch::Engine> engine_; // the runs under way
    std::atomic<bool> wakePosted_ = false; // a call to takeResults() is on its way
    std::vector<int> statuses_; // the finished runs' exit statuses
    std::vector<std::string> errors_; // and their messages
    std::vector<std::vector<double>> keys_; // their swept or drawn values
    std::vector<std::vector<double>> numbers_; // their summary numbers
    // Each finished run's graph pair, up to kMaxTraces runs, and the nominal
    // run's (at the form's inputs).
    std::vector<batch::RunTrace> traces_;
    batch::RunTrace nominal_;
    int xCode_ = 0, yCode_ = 3;
    std::function<int()> graphRoom_;
    std::function<void(std::vector<KeptRun>)> keepOnGraph_;
    bool running_ = false;
    bool cancelled_ = false;
    long long failed_ = 0;

    QLabel* inputLabel_;
    QComboBox* input_;
    QComboBox* law_;
    QLineEdit* range_;
    QPushButton* add_;
    QListWidget* list_;
    QPushButton* remove_;
    QLabel* runsLabel_;
    QSpinBox* runs_;
    QLabel* seedLabel_;
    QLineEdit* seed_;
    QPushButton* run_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QLabel* status_;
    QTableWidget* table_;
    QLabel* pictureKindLabel_;
    QComboBox* pictureKind_;
    QLabel* outputLabel_;
    QComboBox* output_;
    QLabel* againstLabel_;
    QComboBox* against_;
    QLabel* picture_;
    QPushButton* savePng_;
    QPushButton* saveCsv_;
    QPushButton* drawOnGraph_;
    QPushButton* saveJson_;
    QPushButton* saveStudyButton_;
    std::function<void(const StudyTable&)> saveStudy_;
    QPushButton* close_;
    QLabel* shares_; // a seeded study's variance shares of the output shown
    QLabel* kindLabel_;
    QComboBox* kind_; // sweep or study, sensitivity, target: the page shown
    QStackedWidget* pages_;
    SensitivityPanel* sensitivity_;
    TargetPanel* target_;
};

} // namespace torv
