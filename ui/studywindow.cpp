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
#include "files/atomicfile.h"
#include "plot/png.h"
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

// The picture's size in pixels and its margins: room for the numbers of the
// axes on the left and below.
constexpr int kWidth = 640, kHeight = 400;
constexpr int kLeft = 90, kRight = 20, kTop = 30, kBottom = 50;

// An axis's or a mark's number: six digits are all a picture can show.
QString numberText(double v)
{
    return QString::number(v, 'g', 6);
}

// The axes' frame and the lowest and highest value written at its ends.
void drawAxes(QPainter& p, const QRect& area, double x0, double x1, double y0, double y1, const QString& xTitle,
    const QString& yTitle)
{
    p.setPen(QColor(look::kBlack));
    p.drawRect(area.adjusted(0, 0, -1, -1));
    const QFontMetrics fm(p.font());
    const int below = area.bottom() + fm.height();
    p.drawText(area.left(), below, numberText(x0));
    const QString xHigh = numberText(x1);
    p.drawText(area.right() - fm.horizontalAdvance(xHigh), below, xHigh);
    p.drawText(area.center().x() - fm.horizontalAdvance(xTitle) / 2, below + fm.height(), xTitle);
    const QString yLow = numberText(y0), yHigh = numberText(y1);
    p.drawText(area.left() - 4 - fm.horizontalAdvance(yLow), area.bottom(), yLow);
    p.drawText(area.left() - 4 - fm.horizontalAdvance(yHigh), area.top() + fm.ascent(), yHigh);
    p.drawText(area.left(), area.top() - 8, yTitle);
}

// A range that is never empty, so that a constant value still has a place.
std::pair<double, double> spread(double lo, double hi)
{
    if (lo < hi)
        return { lo, hi };
    const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.01;
    return { lo - pad, hi + pad };
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
    auto* outputLine = new QHBoxLayout;
    outputLabel_ = new QLabel(this);
    output_ = new QComboBox(this);
    for (const std::string& name : batch::summaryColumns(false))
        output_->addItem(QString::fromStdString(name));
    output_->setCurrentText(QStringLiteral("range_m"));
    outputLabel_->setBuddy(output_);
    outputLine->addWidget(outputLabel_);
    outputLine->addWidget(output_, 1);
    pictureSide->addLayout(outputLine);
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
    saveJson_ = new QPushButton(this);
    saveStudyButton_ = new QPushButton(this);
    close_ = new QPushButton(this);
    buttons->addWidget(savePng_);
    buttons->addWidget(saveCsv_);
    buttons->addWidget(saveJson_);
    buttons->addWidget(saveStudyButton_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    pictureSide->addLayout(buttons);
    pictureSide->addStretch(1);
    results->addLayout(pictureSide);
    top->addLayout(results, 1);

    sensitivity_ = new SensitivityPanel(pages_, inputs_);
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
    connect(saveJson_, &QPushButton::clicked, this, [this] { caught([this] { saveJson(); }); });
    connect(saveStudyButton_, &QPushButton::clicked, this, [this] { caught([this] { saveStudyFile(); }); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(output_, &QComboBox::currentIndexChanged, this, [this] { caught([this] { redrawPicture(); }); });
    // Enter in the range adds the row, never presses a default button.
    for (QPushButton* b : { add_, remove_, run_, stop_, savePng_, saveCsv_, saveJson_, saveStudyButton_, close_ })
        b->setAutoDefault(false);

    setTexts();
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
    outputLabel_->setText(text(Text::StudyOutput));
    savePng_->setText(text(Text::StudySavePng));
    saveCsv_->setText(text(Text::StudySaveCsv));
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

    for (QWidget* w : std::initializer_list<QWidget*> { run_, add_, remove_ })
        w->setEnabled(false);
    stop_->setEnabled(true);
    stop_->setFocus();
    // Every core: the runs go on their own threads, the window stays
    // usable. A result in wakes the window once until it has taken it.
    const int threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    engine_ = std::make_unique<batch::Engine>(*plan_, threads, plan_->window);
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
    for (QWidget* w : std::initializer_list<QWidget*> { run_, add_, remove_ })
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

QImage StudyWindow::picture(double ratio) const
{
    QImage image(QSize(kWidth, kHeight) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(look::kWhite);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(look::msSans(13));
    const QRect area(kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    const int column = output_->currentIndex();
    const QString outputName = output_->currentText();
    if (!plan_ || column < 0 || numbers_.empty()) {
        p.setPen(QColor(look::kBlack));
        p.drawRect(area.adjusted(0, 0, -1, -1));
        return image;
    }
    // The output of every run that has it, with the first swept or drawn
    // input beside it.
    std::vector<std::pair<double, double>> points;
    for (size_t k = 0; k < numbers_.size(); ++k) {
        const double y = numbers_[k][static_cast<size_t>(column)];
        if (!std::isnan(y) && !keys_[k].empty())
            points.emplace_back(keys_[k][0], y);
    }
    if (points.empty()) {
        drawAxes(p, area, 0, 1, 0, 1, QString(), outputName);
        return image;
    }
    const auto toX = [&](double v, double lo, double hi) {
        return area.left() + static_cast<int>(std::lround((v - lo) / (hi - lo) * (area.width() - 1)));
    };
    const auto toY = [&](double v, double lo, double hi) {
        return area.bottom() - static_cast<int>(std::lround((v - lo) / (hi - lo) * (area.height() - 1)));
    };
    if (plan_->varies.empty()) {
        // A sweep: the output against the (first) swept input, run by run.
        double x0 = points[0].first, x1 = x0, y0 = points[0].second, y1 = y0;
        for (const auto& [x, y] : points) {
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        std::tie(x0, x1) = spread(x0, x1);
        std::tie(y0, y1) = spread(y0, y1);
        drawAxes(p, area, x0, x1, y0, y1, QString::fromUtf8(legendName(*plan_->sweeps[0].field)), outputName);
        p.setPen(QPen(QColor(look::kNavy), 1));
        // Points of a grid's other inputs go into curves of their own: a
        // line joins two runs only where the first input rises.
        for (size_t k = 0; k < points.size(); ++k) {
            const QPoint at(toX(points[k].first, x0, x1), toY(points[k].second, y0, y1));
            p.drawRect(at.x() - 2, at.y() - 2, 4, 4);
            if (k > 0 && points[k].first > points[k - 1].first)
                p.drawLine(QPoint(toX(points[k - 1].first, x0, x1), toY(points[k - 1].second, y0, y1)), at);
        }
        return image;
    }
    // A study: the histogram of the output with its p5, p50 and p95.
    std::vector<double> values;
    for (const auto& [x, y] : points)
        values.push_back(y);
    const batch::ColumnStatistics s = batch::statistics(values);
    const auto [lo, hi] = spread(values.front(), values.back());
    const int bins = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(values.size()))), 5, 40);
    std::vector<int> counts(static_cast<size_t>(bins), 0);
    for (double v : values)
        ++counts[static_cast<size_t>(std::clamp(static_cast<int>((v - lo) / (hi - lo) * bins), 0, bins - 1))];
    const int most = *std::max_element(counts.begin(), counts.end());
    drawAxes(p, area, lo, hi, 0, most, outputName, text(Text::StudyCount));
    for (int b = 0; b < bins; ++b) {
        const int left = toX(lo + (hi - lo) * b / bins, lo, hi);
        const int right = toX(lo + (hi - lo) * (b + 1) / bins, lo, hi);
        const int height = toY(counts[static_cast<size_t>(b)], 0, most);
        p.fillRect(QRect(QPoint(left, height), QPoint(right - 1, area.bottom() - 1)), QColor(look::kSilver));
        p.setPen(QColor(look::kBlack));
        p.drawRect(QRect(QPoint(left, height), QPoint(right - 1, area.bottom() - 1)));
    }
    const std::pair<const char*, double> marks[] = { { "p5", s.p5 }, { "p50", s.p50 }, { "p95", s.p95 } };
    const QFontMetrics fm(p.font());
    int row = 0;
    for (const auto& [name, value] : marks) {
        const int x = toX(value, lo, hi);
        p.setPen(QPen(QColor(look::kRed), 1, Qt::DashLine));
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(QColor(look::kRed));
        const QString label = QStringLiteral("%1 = %2").arg(QString::fromUtf8(name), numberText(value));
        // Right of its line where it fits, else left of it, on a ground of
        // its own so that neither a bar nor another line runs through it.
        const int width = fm.horizontalAdvance(label);
        const int textX = x + 3 + width <= area.right() - 2 ? x + 3 : std::max(area.left() + 2, x - 3 - width);
        const QRect box(textX - 1, area.top() + 2 + row++ * fm.height(), width + 2, fm.height());
        p.fillRect(box, QColor(look::kWhite));
        p.drawText(textX, box.top() + fm.ascent(), label);
    }
    return image;
}

void StudyWindow::redrawPicture()
{
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
        const QString path = look::askSaveName(this, QString(savePng_->text()).remove(u'&').remove(QChar(0x2026)),
            QStringLiteral("study_%1.png").arg(output_->currentText()), text(Text::FilterPng), QStringLiteral("png"));
        if (!path.isEmpty())
            writePng(path);
    });
}

void StudyWindow::writePng(const QString& path) const
{
    writeFileAtomically(path.toStdString(), pngBytes(picture(devicePixelRatioF())));
}

void StudyWindow::saveCsv()
{
    guarded([this] {
        const QString path = look::askSaveName(this, QString(saveCsv_->text()).remove(u'&').remove(QChar(0x2026)),
            QStringLiteral("study.csv"), text(Text::FilterCsv), QStringLiteral("csv"));
        if (!path.isEmpty())
            writeFileAtomically(path.toStdString(), summaryText());
    });
}

void StudyWindow::saveJson()
{
    guarded([this] {
        const QString path = look::askSaveName(this, QString(saveJson_->text()).remove(u'&').remove(QChar(0x2026)),
            QStringLiteral("study.jsonl"), text(Text::FilterJsonl), QStringLiteral("jsonl"));
        if (!path.isEmpty())
            writeFileAtomically(path.toStdString(), summaryText(batch::Format::Jsonl));
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
