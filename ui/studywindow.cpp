#include "ui/studywindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaObject>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <thread>

#include "batch/batch.h"
#include "batch/engine.h"
#include "batch/runs.h"
#include "batch/study.h"
#include "batch/studyfigures.h"
#include "files/atomicfile.h"
#include "model/quantities.h"
#include "plot/png.h"
#include "plot/studyplots.h"
#include "run/flugbahn.h"
#include "scenarios/scenario.h"
#include "ui/guard.h"
#include "ui/look.h"
#include "ui/studykinds.h"
#include "ui/texts.h"

namespace torv {

namespace {

constexpr Text kLawTexts[]
    = { Text::StudyLawSweep, Text::StudyLawNormal, Text::StudyLawUniform, Text::StudyLawTriangular };
const char* const kLawNames[] = { "", "normal:", "uniform:", "triangular:" };

// The window's text for each problem of the rows that makePlan names.
constexpr std::pair<batch::PlanProblem, Text> kPlanTexts[] = {
    { batch::PlanProblem::SweepForm, Text::StudyPlanSweepForm },
    { batch::PlanProblem::VaryForm, Text::StudyPlanVaryForm },
    { batch::PlanProblem::NotANumber, Text::StudyPlanNotANumber },
    { batch::PlanProblem::CountNotWhole, Text::StudyPlanCount },
    { batch::PlanProblem::DistanceNotFinite, Text::StudyPlanDistance },
    { batch::PlanProblem::RatioSigns, Text::StudyPlanRatioSigns },
    { batch::PlanProblem::TriangularOrder, Text::StudyPlanTriangular },
    { batch::PlanProblem::NegativeDeviation, Text::StudyPlanDeviation },
    { batch::PlanProblem::LowAboveHigh, Text::StudyPlanLowAboveHigh },
    { batch::PlanProblem::DrawNotFinite, Text::StudyPlanDraw },
    { batch::PlanProblem::FieldTwice, Text::StudyPlanTwice },
    { batch::PlanProblem::ChangesNoRun, Text::StudyPlanNoRun },
    { batch::PlanProblem::GridTooLarge, Text::StudyPlanGrid },
    { batch::PlanProblem::SweepAndVary, Text::StudyPlanSweepAndVary },
    { batch::PlanProblem::SeedNotWhole, Text::StudyPlanSeed },
};

// The picture's size in pixels.
constexpr int kWidth = kStudyPictureWidth, kHeight = kStudyPictureHeight;

// Runs whose graph pair the band keeps: 3.2 kB each, 16 MB at most.
constexpr size_t kMaxTraces = 5000;

// The pictures' names in the selector and their files' default names.
struct PictureRow {
    StudyWindow::Picture kind;
    Text text;
    const char* file;
};
constexpr PictureRow kPictures[] = {
    { StudyWindow::Picture::Curve, Text::StudyKindCurve, "curve" },
    { StudyWindow::Picture::Family, Text::StudyKindFamily, "family" },
    { StudyWindow::Picture::Histogram, Text::StudyKindHistogram, "histogram" },
    { StudyWindow::Picture::Cdf, Text::StudyKindCdf, "distribution" },
    { StudyWindow::Picture::Scatter, Text::StudyKindScatter, "scatter" },
    { StudyWindow::Picture::Band, Text::StudyKindBand, "band" },
};

const PictureRow& pictureRow(StudyWindow::Picture kind)
{
    return kPictures[static_cast<size_t>(kind)];
}

// A recorded quantity with its recorded unit, as an axis's title.
QString quantityTitle(int code)
{
    const Series s = static_cast<Series>(code);
    return QStringLiteral("%1, %2").arg(
        QString::fromUtf8(quantityName(s, st.Sprache)), QString::fromUtf8(quantity(s).unit));
}

} // namespace

StudyWindow::StudyWindow(QWidget* parent, std::vector<std::pair<Field, QString>> inputs)
    : QDialog(parent)
    , inputs_(std::move(inputs))
{
    setFont(look::msSans(13));
    setModal(false);
    // The kind of study chosen at the top, each kind on a page of its own.
    auto* outer = new QVBoxLayout(this);
    auto* kindLine = new QHBoxLayout;
    kindLabel_ = new QLabel(this);
    kind_ = new QComboBox(this);
    for (int k = 0; k < 3; ++k)
        kind_->addItem(QString());
    kindLabel_->setBuddy(kind_);
    kindLine->addWidget(kindLabel_);
    kindLine->addWidget(kind_);
    kindLine->addStretch(1);
    outer->addLayout(kindLine);
    pages_ = new QStackedWidget(this);
    outer->addWidget(pages_, 1);
    auto* sweepPage = new QWidget(pages_);
    pages_->addWidget(sweepPage);
    auto* top = new QVBoxLayout(sweepPage);
    top->setContentsMargins(0, 0, 0, 0);

    // The rows: one input with its law or range each.
    auto* editor = new QHBoxLayout;
    inputLabel_ = new QLabel(this);
    input_ = new QComboBox(this);
    for (const auto& [field, caption] : inputs_)
        input_->addItem(QStringLiteral("%1 (%2)").arg(caption, QString::fromUtf8(legendName(fieldInfo(field)))));
    inputLabel_->setBuddy(input_);
    law_ = new QComboBox(this);
    for (size_t k = 0; k < std::size(kLawTexts); ++k)
        law_->addItem(QString());
    range_ = new QLineEdit(this);
    add_ = new QPushButton(this);
    editor->addWidget(inputLabel_);
    editor->addWidget(input_, 2);
    editor->addWidget(law_, 2);
    editor->addWidget(range_, 2);
    editor->addWidget(add_);
    top->addLayout(editor);
    auto* rows = new QHBoxLayout;
    list_ = new QListWidget(this);
    list_->setMaximumHeight(90);
    remove_ = new QPushButton(this);
    rows->addWidget(list_, 1);
    rows->addWidget(remove_, 0, Qt::AlignTop);
    top->addLayout(rows);

    auto* runLine = new QHBoxLayout;
    runsLabel_ = new QLabel(this);
    runs_ = new QSpinBox(this);
    runs_->setRange(1, 1000000);
    runs_->setValue(200);
    runsLabel_->setBuddy(runs_);
    seedLabel_ = new QLabel(this);
    seed_ = new QLineEdit(QStringLiteral("1"), this);
    seedLabel_->setBuddy(seed_);
    run_ = new QPushButton(this);
    stop_ = new QPushButton(this);
    stop_->setEnabled(false);
    progress_ = new QProgressBar(this);
    for (QWidget* w : std::initializer_list<QWidget*> { runsLabel_, runs_, seedLabel_, seed_, run_, stop_ })
        runLine->addWidget(w);
    runLine->addWidget(progress_, 1);
    top->addLayout(runLine);
    status_ = new QLabel(this);
    top->addWidget(status_);

    // The results: the table of the runs beside the picture.
    auto* results = new QHBoxLayout;
    table_ = new QTableWidget(this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSortingEnabled(true);
    results->addWidget(table_, 1);
    auto* pictureSide = new QVBoxLayout;
    auto* choices = new QGridLayout;
    pictureKindLabel_ = new QLabel(this);
    pictureKind_ = new QComboBox(this);
    pictureKindLabel_->setBuddy(pictureKind_);
    outputLabel_ = new QLabel(this);
    output_ = new QComboBox(this);
    for (const std::string& name : batch::summaryColumns(false))
        output_->addItem(QString::fromStdString(name));
    output_->setCurrentText(QStringLiteral("range_m"));
    outputLabel_->setBuddy(output_);
    againstLabel_ = new QLabel(this);
    against_ = new QComboBox(this);
    againstLabel_->setBuddy(against_);
    const std::pair<QLabel*, QComboBox*> choiceRows[]
        = { { pictureKindLabel_, pictureKind_ }, { outputLabel_, output_ }, { againstLabel_, against_ } };
    for (int k = 0; k < static_cast<int>(std::size(choiceRows)); ++k) {
        choices->addWidget(choiceRows[k].first, k, 0);
        choices->addWidget(choiceRows[k].second, k, 1);
    }
    choices->setColumnStretch(1, 1);
    pictureSide->addLayout(choices);
    picture_ = new QLabel(this);
    picture_->setFixedSize(kWidth, kHeight);
    pictureSide->addWidget(picture_);
    shares_ = new QLabel(this);
    shares_->setWordWrap(true);
    shares_->setMaximumWidth(kWidth);
    pictureSide->addWidget(shares_);
    auto* buttons = new QHBoxLayout;
    savePng_ = new QPushButton(this);
    saveCsv_ = new QPushButton(this);
    drawOnGraph_ = new QPushButton(this);
    drawOnGraph_->setEnabled(false);
    saveJson_ = new QPushButton(this);
    saveStudyButton_ = new QPushButton(this);
    close_ = new QPushButton(this);
    buttons->addWidget(savePng_);
    buttons->addWidget(saveCsv_);
    buttons->addWidget(drawOnGraph_);
    buttons->addWidget(saveJson_);
    buttons->addWidget(saveStudyButton_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    pictureSide->addLayout(buttons);
    pictureSide->addStretch(1);
    results->addLayout(pictureSide);
    top->addLayout(results, 1);

    sensitivity_ = new SensitivityPanel(pages_, inputs_);
    sensitivity_->setStudy([this] { return study(); });
    target_ = new TargetPanel(pages_, inputs_);
    pages_->addWidget(sensitivity_);
    pages_->addWidget(target_);
    connect(kind_, &QComboBox::currentIndexChanged, this,
        [this](int k) { caught([this, k] { pages_->setCurrentIndex(k); }); });

    connect(add_, &QPushButton::clicked, this, [this] { caught([this] { addTypedRow(); }); });
    connect(range_, &QLineEdit::returnPressed, this, [this] { caught([this] { addTypedRow(); }); });
    connect(remove_, &QPushButton::clicked, this, [this] { caught([this] { removeRow(); }); });
    connect(run_, &QPushButton::clicked, this, [this] { caught([this] { start(); }); });
    connect(stop_, &QPushButton::clicked, this, [this] { caught([this] { cancel(); }); });
    connect(savePng_, &QPushButton::clicked, this, [this] { caught([this] { savePng(); }); });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { caught([this] { saveCsv(); }); });
    connect(drawOnGraph_, &QPushButton::clicked, this, [this] { caught([this] { drawOnGraph(); }); });
    connect(saveJson_, &QPushButton::clicked, this, [this] { caught([this] { saveJson(); }); });
    connect(saveStudyButton_, &QPushButton::clicked, this, [this] { caught([this] { saveStudyFile(); }); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    for (QComboBox* choice : { pictureKind_, output_, against_ })
        connect(choice, &QComboBox::currentIndexChanged, this, [this] { caught([this] { redrawPicture(); }); });
    // Enter in the range adds the row, never presses a default button.
    for (QPushButton* b :
        { add_, remove_, run_, stop_, savePng_, saveCsv_, saveJson_, saveStudyButton_, drawOnGraph_, close_ })
        b->setAutoDefault(false);

    setTexts();
    offerPictures();
    redrawPicture();
    resize(1280, 720);
}

// Runs still under way stop at their next progress report; the threads end
// before the window does.
StudyWindow::~StudyWindow()
{
    engine_.reset();
}

void StudyWindow::setTexts()
{
    setWindowTitle(text(Text::StudyTitle));
    kindLabel_->setText(text(Text::StudyKind));
    const Text kinds[] = { Text::StudyKindSweep, Text::StudyKindSensitivity, Text::StudyKindTarget };
    for (int k = 0; k < 3; ++k)
        kind_->setItemText(k, text(kinds[k]));
    inputLabel_->setText(text(Text::StudyInput));
    for (size_t k = 0; k < std::size(kLawTexts); ++k)
        law_->setItemText(static_cast<int>(k), text(kLawTexts[k]));
    add_->setText(text(Text::StudyAdd));
    remove_->setText(text(Text::StudyRemove));
    runsLabel_->setText(text(Text::StudyRuns));
    seedLabel_->setText(text(Text::StudySeed));
    run_->setText(text(Text::StudyRun));
    stop_->setText(text(Text::StudyCancel));
    pictureKindLabel_->setText(text(Text::StudyPictureKind));
    for (int k = 0; k < pictureKind_->count(); ++k)
        pictureKind_->setItemText(k, text(pictureRow(static_cast<Picture>(pictureKind_->itemData(k).toInt())).text));
    outputLabel_->setText(text(Text::StudyOutput));
    againstLabel_->setText(text(Text::StudyAgainst));
    savePng_->setText(text(Text::StudySavePng));
    saveCsv_->setText(text(Text::StudySaveCsv));
    drawOnGraph_->setText(text(Text::StudyDrawOnGraph));
    saveJson_->setText(text(Text::StudySaveJson));
    saveStudyButton_->setText(text(Text::StudySaveStudy));
    close_->setText(text(Text::StudyClose));
    for (size_t k = 0; k < rows_.size(); ++k)
        list_->item(static_cast<int>(k))->setText(rowText(k));
}

void StudyWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        caught([this] { setTexts(); });
    QDialog::changeEvent(event);
}

QString StudyWindow::rowText(size_t k) const
{
    const Row& r = rows_[k];
    QString caption;
    for (const auto& [field, name] : inputs_)
        if (field == r.field)
            caption = name;
    return QStringLiteral("%1 (%2): %3 %4")
        .arg(caption, QString::fromUtf8(legendName(fieldInfo(r.field))),
            text(kLawTexts[static_cast<int>(r.law)]).section(u' ', 0, 0), r.numbers);
}

void StudyWindow::addRow(Field field, Law law, const QString& numbers)
{
    rows_.push_back({ field, law, numbers.trimmed() });
    list_->addItem(rowText(rows_.size() - 1));
    const bool study = law != Law::Sweep;
    runs_->setEnabled(study);
    seed_->setEnabled(study);
    if (!plan_)
        offerPictures();
}

void StudyWindow::addTypedRow()
{
    if (input_->currentIndex() < 0 || range_->text().trimmed().isEmpty())
        return;
    addRow(inputs_[static_cast<size_t>(input_->currentIndex())].first, static_cast<Law>(law_->currentIndex()),
        range_->text());
    range_->clear();
    input_->setFocus();
}

void StudyWindow::removeRow()
{
    // The chosen row, or the last one added.
    const int k = list_->currentRow() >= 0 ? list_->currentRow() : list_->count() - 1;
    if (k < 0 || running_)
        return;
    rows_.erase(rows_.begin() + k);
    delete list_->takeItem(k);
    if (rows_.empty())
        input_->setFocus();
    if (!plan_)
        offerPictures();
}

void StudyWindow::setRuns(int runs, quint64 seed)
{
    runs_->setValue(runs);
    seed_->setText(QString::number(seed));
}

bool StudyWindow::running() const
{
    return running_ || sensitivity_->running() || target_->running();
}

long long StudyWindow::plannedRuns() const
{
    return plan_ ? plan_->count() : 0;
}

bool StudyWindow::start()
{
    if (running_)
        return false;
    if (rows_.empty()) {
        QMessageBox::information(this, windowTitle(), text(Text::StudyNoRows));
        return false;
    }
    // The same options torv-batch takes, over the form's inputs as a
    // scenario: the same plan, the same runs, the same lines.
    batch::Options options;
    batch::addStudy(options, study());
    if (!options.seed.empty())
        options.seed = seed_->text().trimmed().toStdString();
    engine_.reset();
    try {
        plan_ = std::make_unique<batch::Plan>(batch::makePlan(options, currentScenario("form")));
    } catch (const std::exception& e) {
        plan_.reset();
        showErrorBox(planProblemText(e));
        return false;
    }
    // The band's graph: the form's graph pair, time and altitude before
    // the form has drawn one.
    xCode_ = code(Series::Time), yCode_ = code(Series::Altitude);
    if (st.GraphCount >= 3 && st.GraphCodes[0] >= 0 && st.GraphCodes[0] < kRecordedSeries && st.GraphCodes[1] >= 0
        && st.GraphCodes[1] < kRecordedSeries)
        xCode_ = st.GraphCodes[0], yCode_ = st.GraphCodes[1];
    traces_.clear();
    nominal_ = {};
    offerPictures();
    statuses_.clear();
    errors_.clear();
    columns_ = std::make_unique<batch::StudyColumns>(*plan_);
    keys_.clear();
    numbers_.clear();
    table_->setSortingEnabled(false);
    table_->clear();
    table_->setRowCount(0);
    QStringList header;
    const batch::SummaryText summary(*plan_);
    for (const std::string& name : summary.names())
        header << QString::fromStdString(name);
    table_->setColumnCount(static_cast<int>(header.size()));
    table_->setHorizontalHeaderLabels(header);
    table_->setSortingEnabled(true);
    progress_->setRange(0, static_cast<int>(std::min<long long>(plan_->count(), 1 << 30)));
    progress_->setValue(0);
    running_ = true;
    cancelled_ = false;
    failed_ = 0;

    for (QWidget* w : std::initializer_list<QWidget*> { run_, add_, remove_, drawOnGraph_ })
        w->setEnabled(false);
    stop_->setEnabled(true);
    stop_->setFocus();
    // Every core: the runs go on their own threads, the window stays
    // usable. A result in wakes the window once until it has taken it.
    const int threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    // Each run keeps its graph pair for the band, on the run's own thread;
    // the thread of the first run makes the nominal one too, which comes in
    // with the first result.
    engine_ = std::make_unique<batch::Engine>(*plan_, threads, plan_->window,
        [plan = plan_.get(), x = xCode_, y = yCode_](long long i, RunObserver& observer) {
            batch::RunTrace nominal;
            if (i == 0)
                try {
                    const auto state = std::make_unique<SimState>();
                    batch::prepare(*plan, {}, batch::presetOfRun(*plan, 0), *state);
                    runOn(*state, observer);
                    nominal = batch::traceOf(*state, x, y);
                } catch (const std::exception&) {
                    // The band goes without it; the runs say what fails.
                }
            batch::RunTrace trace;
            batch::RunResult r = batch::runAlone(
                *plan, i, [&](SimState& state) { trace = batch::traceOf(state, x, y); }, observer);
            r.trace = std::move(trace);
            r.nominal = std::move(nominal);
            return r;
        });
    wakePosted_ = false;
    try {
        engine_->start([this] {
            if (!wakePosted_.exchange(true))
                QMetaObject::invokeMethod(
                    this, [this] { caught([this] { takeResults(); }); }, Qt::QueuedConnection);
        });
    } catch (...) {
        finish();
        throw;
    }
    return true;
}

QString StudyWindow::planProblemText(const std::exception& e) const
{
    const auto* problem = dynamic_cast<const batch::BatchError*>(&e);
    for (const auto& [kind, said] : kPlanTexts)
        if (problem && problem->problem() == kind) {
            QStringList shown;
            for (const std::string& arg : problem->args()) {
                // A field by its caption on the form, as the rows show it;
                // a typed text as typed, cut short.
                shown << QString::fromStdString(echoed(arg));
                if (const FieldInfo* field = fieldNamed(arg))
                    for (const auto& [f, caption] : inputs_)
                        if (f == field->field)
                            shown.back() = QStringLiteral("%1 (%2)").arg(caption, shown.back());
            }
            // In one pass, so that a typed "%1" stays as it is.
            const QString message = text(said);
            switch (shown.size()) {
            case 0:
                return message;
            case 1:
                return message.arg(shown[0]);
            case 2:
                return message.arg(shown[0], shown[1]);
            default:
                return message.arg(shown[0], shown[1], shown[2]);
            }
        }
    return text(Text::StudyCannot).arg(QString::fromStdString(e.what()));
}

void StudyWindow::cancel()
{
    if (!running_)
        return;
    cancelled_ = true;
    engine_->cancel();
}

void StudyWindow::takeResults()
{
    wakePosted_ = false;
    if (!running_ || !engine_)
        return;
    const long long before = finishedRuns();
    for (auto& [i, r] : engine_->take()) {
        failed_ += r.status != batch::kOk;
        columns_->add(*plan_, i, r);
        statuses_.push_back(r.status);
        errors_.push_back(r.error);
        std::vector<double> keys;
        for (const auto& [field, value] : plan_->assignments(i))
            keys.push_back(value);
        keys_.push_back(keys);
        numbers_.push_back(r.numbers);
        if (traces_.size() < kMaxTraces && !r.trace.x.empty())
            traces_.push_back(std::move(r.trace));
        if (i == 0)
            nominal_ = std::move(r.nominal);
        showRun(i, r.numbers, r.error);
    }
    const long long done = finishedRuns();
    if (done > before) {
        progress_->setValue(static_cast<int>(std::min<long long>(done, 1 << 30)));
        status_->setText(text(Text::StudyProgress).arg(done).arg(plan_->count()));
        if (done / 16 != before / 16)
            redrawPicture();
    }
    if (engine_->finished())
        finish();
}

void StudyWindow::showRun(long long i, const std::vector<double>& numbers, const std::string& error)
{
    table_->setSortingEnabled(false);
    const int row = table_->rowCount();
    table_->insertRow(row);
    int column = 0;
    const auto put = [&](double v) {
        auto* item = new QTableWidgetItem;
        if (!std::isnan(v))
            item->setData(Qt::DisplayRole, v);
        if (column == 0)
            item->setData(Qt::UserRole, i); // the run, whatever the order shown
        table_->setItem(row, column++, item);
    };
    if (plan_->varies.empty()) {
        for (const auto& [field, value] : plan_->assignments(i))
            put(value);
    } else {
        put(static_cast<double>(i + 1));
        for (const auto& [field, value] : plan_->assignments(i))
            put(value);
    }
    for (double v : numbers)
        put(v);
    table_->setItem(row, column, new QTableWidgetItem(QString::fromStdString(error)));
    table_->setSortingEnabled(true);
}

void StudyWindow::finish()
{
    // Its threads have ended, or end at once.
    engine_.reset();
    running_ = false;
    QString said = cancelled_ ? text(Text::StudyCancelled).arg(finishedRuns()).arg(plan_->count())
                              : text(Text::StudyProgress).arg(finishedRuns()).arg(plan_->count());
    if (failed_ > 0)
        said += text(Text::StudyFailedRuns).arg(failed_);
    status_->setText(said);
    for (QWidget* w : std::initializer_list<QWidget*> { run_, add_, remove_, drawOnGraph_ })
        w->setEnabled(true);
    stop_->setEnabled(false);
    run_->setFocus();
    redrawPicture();
}

std::string StudyWindow::summaryText() const
{
    return summaryText(batch::Format::Csv);
}

std::string StudyWindow::summaryText(batch::Format format) const
{
    if (!plan_)
        return {};
    batch::Plan plan = *plan_;
    plan.format = format;
    const batch::SummaryText summary(plan);
    std::string text = summary.header();
    // The runs finished are the first ones, in run order.
    for (size_t k = 0; k < numbers_.size(); ++k) {
        batch::RunResult r;
        r.status = statuses_[k];
        r.numbers = numbers_[k];
        r.error = errors_[k];
        text += summary.runLine(plan, static_cast<long long>(k), r);
    }
    // The statistics as torv-batch writes them after a whole study; a
    // cancelled one, like an interrupted torv-batch, has only its lines.
    // Figured on a copy: they sort the columns, and the mean and deviation
    // of the runs taken in another order would differ in the last digits.
    if (finishedRuns() == plan.count()) {
        batch::StudyColumns columns = *columns_;
        text += batch::statisticsLines(summary, columns);
    }
    return text;
}

StudyTable StudyWindow::study() const
{
    StudyTable table;
    for (const Row& r : rows_)
        table.rows.push_back(
            { legendName(fieldInfo(r.field)), kStudyLaws[static_cast<int>(r.law)], r.numbers.toStdString() });
    table.runs = runs_->value();
    table.seed = seed_->text().trimmed().toULongLong();
    return table;
}

void StudyWindow::setStudy(const StudyTable& study)
{
    if (running_)
        return;
    rows_.clear();
    list_->clear();
    for (const StudyRow& row : study.rows) {
        const FieldInfo* field = fieldNamed(row.input);
        const auto law = std::find_if(
            std::begin(kStudyLaws), std::end(kStudyLaws), [&](const char* name) { return row.law == name; });
        if (field && law != std::end(kStudyLaws))
            addRow(field->field, static_cast<Law>(law - std::begin(kStudyLaws)), QString::fromStdString(row.numbers));
    }
    setRuns(static_cast<int>(std::min<long long>(study.runs, runs_->maximum())), study.seed);
}

bool StudyWindow::chooseOutput(const QString& column)
{
    const int k = output_->findText(column);
    if (k >= 0)
        output_->setCurrentIndex(k);
    return k >= 0;
}

std::vector<StudyWindow::Picture> StudyWindow::pictures() const
{
    bool study = false;
    size_t sweeps = 0;
    if (plan_) {
        study = !plan_->varies.empty();
        sweeps = plan_->sweeps.size();
    } else {
        for (const Row& r : rows_) {
            study = study || r.law != Law::Sweep;
            sweeps += r.law == Law::Sweep;
        }
    }
    if (study)
        return { Picture::Histogram, Picture::Cdf, Picture::Scatter, Picture::Band };
    if (sweeps >= 2)
        return { Picture::Family, Picture::Band };
    return { Picture::Curve, Picture::Band };
}

void StudyWindow::offerPictures()
{
    const QVariant was = pictureKind_->currentData();
    {
        const QSignalBlocker quiet(pictureKind_);
        pictureKind_->clear();
        for (Picture kind : pictures())
            pictureKind_->addItem(text(pictureRow(kind).text), static_cast<int>(kind));
        pictureKind_->setCurrentIndex(std::max(0, pictureKind_->findData(was)));
    }
    {
        const QSignalBlocker quiet(against_);
        against_->clear();
        if (plan_)
            for (const batch::Vary& v : plan_->varies)
                against_->addItem(QString::fromUtf8(legendName(*v.field)));
    }
    redrawPicture();
}

bool StudyWindow::choosePicture(Picture kind)
{
    const int k = pictureKind_->findData(static_cast<int>(kind));
    if (k >= 0)
        pictureKind_->setCurrentIndex(k);
    return k >= 0;
}

StudyChart StudyWindow::chart() const
{
    StudyChart c;
    const int column = output_->currentIndex();
    const QString outputName = output_->currentText();
    const Picture kind = static_cast<Picture>(pictureKind_->currentData().toInt());
    c.yTitle = outputName;
    if (!plan_ || column < 0)
        return c;
    // The output of every run that has it, with its swept or drawn inputs.
    std::vector<std::pair<const std::vector<double>*, double>> runs;
    for (size_t k = 0; k < numbers_.size(); ++k) {
        const double y = numbers_[k][static_cast<size_t>(column)];
        if (!std::isnan(y) && !keys_[k].empty())
            runs.emplace_back(&keys_[k], y);
    }
    const auto inputName = [](const FieldInfo* field) { return QString::fromUtf8(legendName(*field)); };
    switch (kind) {
    case Picture::Curve:
    case Picture::Family: {
        if (plan_->sweeps.empty())
            return c;
        c.xTitle = inputName(plan_->sweeps[0].field);
        // One curve per value of the other inputs, in the order they come.
        std::vector<std::pair<std::vector<double>, ChartPoints>> curves;
        for (const auto& [keys, y] : runs) {
            const std::vector<double> rest(keys->begin() + 1, keys->end());
            auto at
                = std::find_if(curves.begin(), curves.end(), [&](const auto& curve) { return curve.first == rest; });
            if (at == curves.end())
                at = curves.insert(curves.end(), { rest, {} });
            at->second.emplace_back(keys->front(), y);
        }
        for (size_t k = 0; k < curves.size(); ++k) {
            auto& [rest, points] = curves[k];
            std::sort(points.begin(), points.end());
            QString label;
            for (size_t f = 0; f < rest.size() && kind == Picture::Family; ++f)
                label += (label.isEmpty() ? QString() : QStringLiteral(", "))
                    + QStringLiteral("%1 = %2").arg(inputName(plan_->sweeps[f + 1].field), chartNumber(rest[f]));
            c.lines.push_back({ std::move(points), static_cast<int>(k % 8) + 1, label, true });
        }
        return c;
    }
    case Picture::Histogram:
    case Picture::Cdf: {
        std::vector<double> values;
        for (const auto& [keys, y] : runs)
            values.push_back(y);
        if (values.empty())
            return c;
        const batch::ColumnStatistics s = batch::statistics(values);
        c.marks
            = { { QStringLiteral("p5"), s.p5 }, { QStringLiteral("p50"), s.p50 }, { QStringLiteral("p95"), s.p95 } };
        c.xTitle = outputName;
        c.fromZero = true;
        if (kind == Picture::Cdf) {
            c.yTitle = text(Text::StudyShare);
            c.lines.push_back({ batch::cumulative(values), 1, QString(), false, 2 });
            return c;
        }
        c.yTitle = text(Text::StudyCount);
        const int bins = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(values.size()))), 5, 40);
        c.bars.lo = values.front();
        c.bars.hi = values.back() > values.front() ? values.back() : values.front() + 1;
        c.bars.counts.assign(static_cast<size_t>(bins), 0);
        for (double v : values)
            ++c.bars.counts[static_cast<size_t>(
                std::clamp(static_cast<int>((v - c.bars.lo) / (c.bars.hi - c.bars.lo) * bins), 0, bins - 1))];
        return c;
    }
    case Picture::Scatter: {
        const int input = against_->currentIndex();
        if (input < 0)
            return c;
        c.xTitle = against_->currentText();
        std::vector<double> xs, ys;
        for (const auto& [keys, y] : runs)
            if (static_cast<size_t>(input) < keys->size()) {
                xs.push_back((*keys)[static_cast<size_t>(input)]);
                ys.push_back(y);
                c.points.emplace_back(xs.back(), y);
            }
        const batch::Correlation r = batch::correlation(xs, ys);
        c.caption = r.kind == batch::Correlation::TooFew ? text(Text::StudyRTooFew)
            : r.kind == batch::Correlation::NoSpread
            ? text(Text::StudyRNoSpread)
            : QStringLiteral("r = %1, n = %2").arg(chartNumber(std::round(r.r * 100) / 100)).arg(r.n);
        return c;
    }
    case Picture::Band: {
        const batch::Band band = batch::bandOf(traces_, xCode_ == code(Series::Time));
        const int x = band.overTime ? code(Series::Time) : xCode_;
        c.xTitle = quantityTitle(x);
        c.yTitle = quantityTitle(yCode_);
        QStringList notes;
        if (band.overTime && xCode_ != code(Series::Time))
            notes << text(Text::StudyBandOverTime)
                         .arg(QString::fromUtf8(quantityName(static_cast<Series>(xCode_), st.Sprache)));
        if (traces_.size() >= kMaxTraces && finishedRuns() > static_cast<long long>(traces_.size()))
            notes << text(Text::StudyBandFirst).arg(traces_.size()).arg(finishedRuns());
        c.caption = notes.join(QStringLiteral("; "));
        c.band = { band.x, band.p5, band.p95, text(Text::StudyBandRange).arg(traces_.size()), {},
            text(Text::StudyBandThin) };
        const int all = static_cast<int>(
            std::count_if(traces_.begin(), traces_.end(), [](const batch::RunTrace& t) { return !t.x.empty(); }));
        for (int n : band.n)
            c.band.thin.push_back(n < all);
        ChartPoints median;
        for (size_t k = 0; k < band.x.size(); ++k)
            median.emplace_back(band.x[k], band.p50[k]);
        if (!band.x.empty())
            c.lines.push_back({ std::move(median), 1, text(Text::StudyBandMedian), false, 2 });
        if (!nominal_.x.empty())
            c.lines.push_back({ batch::alongBand(nominal_, band.overTime), 2, text(Text::StudyBandNominal), false, 1 });
        return c;
    }
    }
    return c;
}

QImage StudyWindow::picture(double ratio) const
{
    return drawStudyChart(chart(), ratio);
}

void StudyWindow::redrawPicture()
{
    const Picture kind = static_cast<Picture>(pictureKind_->currentData().toInt());
    output_->setEnabled(kind != Picture::Band);
    against_->setEnabled(kind == Picture::Scatter && against_->count() > 0);
    picture_->setPixmap(QPixmap::fromImage(picture(devicePixelRatioF())));
    // A whole seeded study: its drawn inputs' shares of the output's variance.
    shares_->clear();
    if (!plan_ || plan_->varies.empty() || running_ || output_->currentIndex() < 0)
        return;
    std::vector<const FieldInfo*> fields;
    std::vector<std::vector<double>> drawn(plan_->varies.size());
    std::vector<double> outputs;
    for (const batch::Vary& v : plan_->varies)
        fields.push_back(v.field);
    for (size_t k = 0; k < numbers_.size(); ++k) {
        for (size_t j = 0; j < drawn.size(); ++j)
            drawn[j].push_back(keys_[k][j]);
        outputs.push_back(numbers_[k][static_cast<size_t>(output_->currentIndex())]);
    }
    shares_->setText(sharesText(fields, inputs_, drawn, outputs, output_->currentText()));
}

void StudyWindow::savePng()
{
    guarded([this] {
        look::saveFrom(savePng_,
            QStringLiteral("study_%1_%2.png")
                .arg(QString::fromUtf8(pictureRow(static_cast<Picture>(pictureKind_->currentData().toInt())).file),
                    output_->currentText()),
            text(Text::FilterPng), QStringLiteral("png"), [this] { return pngBytes(picture(devicePixelRatioF())); });
    });
}

void StudyWindow::writePng(const QString& path) const
{
    writeFileAtomically(path.toStdString(), pngBytes(picture(devicePixelRatioF())));
}

void StudyWindow::saveCsv()
{
    guarded([this] {
        look::saveFrom(saveCsv_, QStringLiteral("study.csv"), text(Text::FilterCsv), QStringLiteral("csv"),
            [this] { return summaryText(); });
    });
}

void StudyWindow::setGraphKeeper(std::function<int()> room, std::function<void(std::vector<KeptRun>)> keep)
{
    graphRoom_ = std::move(room);
    keepOnGraph_ = std::move(keep);
}

void StudyWindow::drawOnGraph()
{
    guarded([this] {
        if (!plan_ || running_ || !keepOnGraph_)
            return;
        std::vector<long long> chosen;
        for (const QModelIndex& row : table_->selectionModel()->selectedRows())
            chosen.push_back(table_->item(row.row(), 0)->data(Qt::UserRole).toLongLong());
        std::sort(chosen.begin(), chosen.end());
        if (chosen.empty()) {
            QMessageBox::information(this, windowTitle(), text(Text::StudyDrawNone));
            return;
        }
        const size_t room = static_cast<size_t>(std::max(graphRoom_ ? graphRoom_() : 0, 0));
        std::vector<KeptRun> kept;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        for (size_t k = 0; k < chosen.size() && kept.size() < room; ++k) {
            // The inputs as the run starts from them (a run may change some).
            const auto start = std::make_unique<SimState>();
            batch::prepare(*plan_, plan_->assignments(chosen[k]), batch::presetOfRun(*plan_, chosen[k]), *start);
            const RunInputs inputs = RunInputs::of(*start);
            batch::runAlone(*plan_, chosen[k], [&](SimState& state) {
                kept.push_back(keepRun(state));
                kept.back().inputs = inputs;
            });
        }
        const size_t drawn = kept.size();
        keepOnGraph_(std::move(kept));
        if (chosen.size() > room)
            QMessageBox::information(this, windowTitle(), text(Text::StudyDrawFull).arg(drawn).arg(chosen.size()));
    });
}

void StudyWindow::saveJson()
{
    guarded([this] {
        look::saveFrom(saveJson_, QStringLiteral("study.jsonl"), text(Text::FilterJsonl), QStringLiteral("jsonl"),
            [this] { return summaryText(batch::Format::Jsonl); });
    });
}

void StudyWindow::saveStudyFile()
{
    guarded([this] {
        if (rows_.empty()) {
            QMessageBox::information(this, windowTitle(), text(Text::StudyNoRows));
            return;
        }
        bool whole = false;
        seed_->text().trimmed().toULongLong(&whole);
        if (!whole)
            throw TorvError(text(Text::StudyPlanSeed).arg(seed_->text().trimmed()).toStdString());
        if (saveStudy_)
            saveStudy_(study());
    });
}

void StudyWindow::closeEvent(QCloseEvent* event)
{
    caught([this] {
        cancel();
        sensitivity_->cancel();
        target_->cancel();
    });
    QDialog::closeEvent(event);
}

} // namespace torv
