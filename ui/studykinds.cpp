#include "ui/studykinds.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/stepcheck.h"
#include "batch/batch.h"
#include "batch/runs.h"
#include "batch/shares.h"
#include "files/atomicfile.h"
#include "files/numfmt.h"
#include "model/summary.h"
#include "plot/png.h"
#include "plot/tornado.h"
#include "scenarios/scenario.h"
#include "ui/guard.h"
#include "ui/look.h"
#include "ui/texts.h"

namespace torv {

namespace {

// Thrown by the hook before a run once Cancel was pressed.
struct Cancelled { };

// A number of the results as the notes write it: six digits.
QString numberText(double v)
{
    return QString::number(v, 'g', 6);
}

QString captionOf(const Captions& captions, const FieldInfo& f)
{
    for (const auto& [field, caption] : captions)
        if (field == f.field)
            return QStringLiteral("%1 (%2)").arg(caption, QString::fromUtf8(legendName(f)));
    return QString::fromUtf8(legendName(f));
}

// The plan of the form's inputs for `options`; a box and nullptr when the
// options make none.
std::unique_ptr<batch::Plan> planOf(QWidget* parent, const batch::Options& options)
{
    try {
        return std::make_unique<batch::Plan>(batch::makePlan(options, currentScenario("form")));
    } catch (const std::exception& e) {
        QMessageBox::warning(
            parent, parent->window()->windowTitle(), text(Text::StudyCannot).arg(QString::fromStdString(e.what())));
        return nullptr;
    }
}

QTableWidget* newTable(QWidget* parent)
{
    auto* table = new QTableWidget(parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    return table;
}

void putText(QTableWidget* table, int row, int column, const QString& s)
{
    table->setItem(row, column, new QTableWidgetItem(s));
}

void putNumber(QTableWidget* table, int row, int column, double v)
{
    auto* item = new QTableWidgetItem;
    if (!std::isnan(v))
        item->setData(Qt::DisplayRole, v);
    table->setItem(row, column, item);
}

QComboBox* newOutputChoice(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const SummaryQuantity& q : summaryQuantities())
        box->addItem(QString::fromUtf8(q.column));
    box->setCurrentText(QStringLiteral("range_m"));
    return box;
}

// A number as typed, with a comma or a full stop.
std::string typed(const QLineEdit* edit)
{
    return edit->text().trimmed().replace(u',', u'.').toStdString();
}

} // namespace

KindWorker::~KindWorker()
{
    stop_ = true;
    join();
}

void KindWorker::join()
{
    if (thread_.joinable())
        thread_.join();
}

void KindWorker::start(QObject* owner, std::function<void(const batch::BeforeRun&)> work,
    std::function<void(std::exception_ptr)> done, std::function<void()> progress)
{
    join();
    stop_ = false;
    runs_ = 0;
    busy_ = true;
    thread_ = std::thread(
        [this, owner, work = std::move(work), done = std::move(done), progress = std::move(progress)]() mutable {
            const batch::BeforeRun beforeRun = [this, owner, &progress] {
                if (stop_)
                    throw Cancelled {};
                ++runs_;
                // The window's thread shows it; a window gone drops the call.
                QMetaObject::invokeMethod(
                    owner, [progress] { caught(progress); }, Qt::QueuedConnection);
            };
            std::exception_ptr error;
            try {
                work(beforeRun);
            } catch (const Cancelled&) {
            } catch (...) {
                error = std::current_exception();
            }
            QMetaObject::invokeMethod(
                owner,
                [this, done = std::move(done), error] {
                    join();
                    busy_ = false;
                    caught([&] { done(error); });
                },
                Qt::QueuedConnection);
        });
}

// ---------------------------------------------------------------- sensitivity

SensitivityPanel::SensitivityPanel(QWidget* parent, Captions inputs)
    : QWidget(parent)
    , inputs_(std::move(inputs))
{
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    auto* runLine = new QHBoxLayout;
    deltaLabel_ = new QLabel(this);
    delta_ = new QDoubleSpinBox(this);
    delta_->setRange(0.001, 50);
    delta_->setDecimals(3);
    delta_->setValue(1);
    delta_->setSuffix(QStringLiteral(" %"));
    deltaLabel_->setBuddy(delta_);
    run_ = new QPushButton(this);
    stop_ = new QPushButton(this);
    stop_->setEnabled(false);
    progress_ = new QProgressBar(this);
    for (QWidget* w : std::initializer_list<QWidget*> { deltaLabel_, delta_, run_, stop_ })
        runLine->addWidget(w);
    runLine->addWidget(progress_, 1);
    top->addLayout(runLine);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    top->addWidget(status_);

    auto* results = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    inputsLabel_ = new QLabel(this);
    inputsList_ = new QListWidget(this);
    inputsList_->setMaximumHeight(110);
    for (const auto& [field, caption] : inputs_) {
        auto* item = new QListWidgetItem(captionOf(inputs_, fieldInfo(field)), inputsList_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    inputsLabel_->setBuddy(inputsList_);
    table_ = newTable(this);
    table_->setColumnCount(6);
    left->addWidget(inputsLabel_);
    left->addWidget(inputsList_);
    left->addWidget(table_, 1);
    results->addLayout(left, 1);

    auto* pictureSide = new QVBoxLayout;
    auto* outputLine = new QHBoxLayout;
    outputLabel_ = new QLabel(this);
    output_ = newOutputChoice(this);
    outputLabel_->setBuddy(output_);
    outputLine->addWidget(outputLabel_);
    outputLine->addWidget(output_, 1);
    pictureSide->addLayout(outputLine);
    picture_ = new QLabel(this);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(picture_);
    scroll->setWidgetResizable(false);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setMinimumWidth(kTornadoWidth + 24);
    pictureSide->addWidget(scroll, 1);
    auto* buttons = new QHBoxLayout;
    savePng_ = new QPushButton(this);
    saveCsv_ = new QPushButton(this);
    buttons->addWidget(savePng_);
    buttons->addWidget(saveCsv_);
    buttons->addStretch(1);
    close_ = new QPushButton(this);
    buttons->addWidget(close_);
    pictureSide->addLayout(buttons);
    results->addLayout(pictureSide);
    top->addLayout(results, 1);

    connect(run_, &QPushButton::clicked, this, [this] { caught([this] { start(); }); });
    connect(stop_, &QPushButton::clicked, this, [this] { caught([this] { cancel(); }); });
    connect(savePng_, &QPushButton::clicked, this, [this] { caught([this] { savePng(); }); });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { caught([this] { saveCsv(); }); });
    connect(output_, &QComboBox::currentIndexChanged, this, [this] { caught([this] { redraw(); }); });
    connect(close_, &QPushButton::clicked, this, [this] { caught([this] { window()->close(); }); });
    for (QPushButton* b : { run_, stop_, savePng_, saveCsv_, close_ })
        b->setAutoDefault(false);
    setTexts();
    redraw();
}

void SensitivityPanel::setTexts()
{
    deltaLabel_->setText(text(Text::SensDelta));
    inputsLabel_->setText(text(Text::SensInputs));
    run_->setText(text(Text::StudyRun));
    stop_->setText(text(Text::StudyCancel));
    outputLabel_->setText(text(Text::StudyOutput));
    savePng_->setText(text(Text::StudySavePng));
    saveCsv_->setText(text(Text::StudySaveCsv));
    close_->setText(text(Text::StudyClose));
    table_->setHorizontalHeaderLabels(text(Text::SensColumns).split(u','));
    for (int k = 0; k < inputsList_->count(); ++k)
        inputsList_->item(k)->setText(captionOf(inputs_, fieldInfo(inputs_[static_cast<size_t>(k)].first)));
    for (int r = 0; r < table_->rowCount(); ++r)
        if (QTableWidgetItem* item = table_->item(r, 0))
            item->setText(captionOf(inputs_, *rows_[static_cast<size_t>(r)].input));
}

void SensitivityPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        caught([this] {
            setTexts();
            redraw();
        });
    QWidget::changeEvent(event);
}

void SensitivityPanel::setDelta(double percent)
{
    delta_->setValue(percent);
}

void SensitivityPanel::tick(const std::vector<Field>& fields)
{
    for (int k = 0; k < inputsList_->count(); ++k) {
        const Field f = inputs_[static_cast<size_t>(k)].first;
        inputsList_->item(k)->setCheckState(
            std::find(fields.begin(), fields.end(), f) != fields.end() ? Qt::Checked : Qt::Unchecked);
    }
}

bool SensitivityPanel::start()
{
    if (running())
        return false;
    batch::Options options;
    options.sensitivity = true;
    options.delta = shortestText(delta_->value());
    for (int k = 0; k < inputsList_->count(); ++k)
        if (inputsList_->item(k)->checkState() == Qt::Checked)
            options.inputs += (options.inputs.empty() ? "" : ",")
                + std::string(legendName(fieldInfo(inputs_[static_cast<size_t>(k)].first)));
    if (study_) {
        batch::Options drawn;
        batch::addStudy(drawn, study_());
        options.varies = drawn.varies;
    }
    const std::shared_ptr<const batch::Plan> plan = planOf(this, options);
    if (!plan)
        return false;
    const std::vector<const FieldInfo*> inputs
        = plan->explore.inputs.empty() ? batch::readInputs(*plan) : plan->explore.inputs;
    planned_ = 1 + 2 * static_cast<long long>(inputs.size());
    progress_->setRange(0, static_cast<int>(planned_));
    progress_->setValue(0);
    status_->clear();
    run_->setEnabled(false);
    stop_->setEnabled(true);
    stop_->setFocus();
    struct Answer {
        std::vector<batch::SensitivityRow> rows;
        std::vector<const FieldInfo*> skipped;
    };
    const auto answer = std::make_shared<Answer>();
    const double delta = plan->explore.delta;
    worker_.start(
        this,
        [plan, inputs, answer](const batch::BeforeRun& beforeRun) {
            answer->rows = batch::sensitivity(*plan, inputs, plan->explore.delta, &answer->skipped, beforeRun);
        },
        [this, answer, delta, plan](std::exception_ptr error) {
            if (!worker_.cancelled() && !error) {
                rows_ = std::move(answer->rows);
                skipped_ = std::move(answer->skipped);
                shownDelta_ = delta;
                drawn_ = plan->varies;
            }
            finished(error);
        },
        [this] {
            progress_->setValue(static_cast<int>(std::min(worker_.runs(), planned_)));
            status_->setText(text(Text::StudyProgress).arg(worker_.runs()).arg(planned_));
        });
    return true;
}

void SensitivityPanel::finished(std::exception_ptr error)
{
    run_->setEnabled(true);
    stop_->setEnabled(false);
    run_->setFocus();
    progress_->setValue(progress_->maximum());
    if (worker_.cancelled()) {
        status_->setText(text(Text::StudyKindCancelled).arg(worker_.runs()));
        return;
    }
    if (error) {
        status_->clear();
        std::rethrow_exception(error);
    }
    QString said;
    for (const FieldInfo* f : skipped_)
        said += text(Text::SensSkipped).arg(captionOf(inputs_, *f));
    for (const batch::Vary& v : drawn_)
        if (std::any_of(rows_.begin(), rows_.end(), [&](const batch::SensitivityRow& r) { return r.input == v.field; }))
            said += text(Text::SensDrawn).arg(captionOf(inputs_, *v.field), numberText(batch::standardDeviation(v)));
    for (const batch::SensitivityRow& r : rows_)
        if (r.output == 0 && !r.error.empty())
            said += text(Text::SensFailed)
                        .arg(captionOf(inputs_, *r.input), numberText(100 * shownDelta_),
                            QString::fromStdString(r.error));
    status_->setText(said.trimmed());
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (size_t k = 0; k < rows_.size(); ++k) {
        const batch::SensitivityRow& r = rows_[k];
        const int row = static_cast<int>(k);
        putText(table_, row, 0, captionOf(inputs_, *r.input));
        putText(table_, row, 1, QString::fromUtf8(summaryQuantities()[static_cast<size_t>(r.output)].column));
        putNumber(table_, row, 2, r.base);
        putNumber(table_, row, 3, r.low);
        putNumber(table_, row, 4, r.high);
        putNumber(table_, row, 5, r.elasticity);
    }
    table_->resizeColumnsToContents();
    redraw();
}

std::string SensitivityPanel::tableText() const
{
    return batch::sensitivityText(batch::Format::Csv, rows_);
}

bool SensitivityPanel::chooseOutput(const QString& column)
{
    const int k = output_->findText(column);
    if (k >= 0)
        output_->setCurrentIndex(k);
    return k >= 0;
}

std::vector<TornadoBar> SensitivityPanel::bars() const
{
    std::vector<TornadoBar> bars;
    for (const batch::SensitivityRow& r : rows_) {
        if (r.output != output_->currentIndex())
            continue;
        // The change in per cent of the base; none where the base is 0.
        const auto change = [&r](double v) {
            return r.base != 0 ? (v - r.base) / std::fabs(r.base) * 100 : std::numeric_limits<double>::quiet_NaN();
        };
        bars.push_back({ captionOf(inputs_, *r.input), change(r.low), change(r.high) });
    }
    return bars;
}

QImage SensitivityPanel::picture(double ratio) const
{
    const QString d = numberText(100 * shownDelta_);
    const TornadoTexts texts { text(Text::SensTornadoTitle).arg(output_->currentText(), d), text(Text::SensTornadoAxis),
        text(Text::SensKey).arg(QChar(0x2212) + d), text(Text::SensKey).arg(QStringLiteral("+") + d) };
    return tornadoPicture(bars(), texts, ratio);
}

void SensitivityPanel::redraw()
{
    const QImage image = picture(devicePixelRatioF());
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->resize(image.deviceIndependentSize().toSize());
    savePng_->setEnabled(!rows_.empty());
    saveCsv_->setEnabled(!rows_.empty());
}

void SensitivityPanel::savePng()
{
    guarded([this] {
        look::saveFrom(savePng_, QStringLiteral("sensitivity_%1.png").arg(output_->currentText()),
            text(Text::FilterPng), QStringLiteral("png"), [this] { return pngBytes(picture(devicePixelRatioF())); });
    });
}

void SensitivityPanel::saveCsv()
{
    guarded([this] {
        look::saveFrom(saveCsv_, QStringLiteral("sensitivity.csv"), text(Text::FilterCsv), QStringLiteral("csv"),
            [this] { return tableText(); });
    });
}

// ---------------------------------------------------------------- targets

TargetPanel::TargetPanel(QWidget* parent, Captions inputs)
    : QWidget(parent)
    , inputs_(std::move(inputs))
{
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    auto* askLine = new QHBoxLayout;
    questionLabel_ = new QLabel(this);
    question_ = new QComboBox(this);
    for (int k = 0; k < 3; ++k)
        question_->addItem(QString());
    questionLabel_->setBuddy(question_);
    askLine->addWidget(questionLabel_);
    askLine->addWidget(question_, 1);
    top->addLayout(askLine);

    auto* rangeLine = new QHBoxLayout;
    inputLabel_ = new QLabel(this);
    input_ = new QComboBox(this);
    for (const auto& [field, caption] : inputs_)
        input_->addItem(captionOf(inputs_, fieldInfo(field)));
    inputLabel_->setBuddy(input_);
    fromLabel_ = new QLabel(this);
    lo_ = new QLineEdit(this);
    fromLabel_->setBuddy(lo_);
    toLabel_ = new QLabel(this);
    hi_ = new QLineEdit(this);
    toLabel_->setBuddy(hi_);
    columnLabel_ = new QLabel(this);
    column_ = newOutputChoice(this);
    columnLabel_->setBuddy(column_);
    valueLabel_ = new QLabel(this);
    value_ = new QLineEdit(this);
    valueLabel_->setBuddy(value_);
    rangeLine->addWidget(inputLabel_);
    rangeLine->addWidget(input_, 3);
    for (QWidget* w : std::initializer_list<QWidget*> { fromLabel_, lo_, toLabel_, hi_, columnLabel_ })
        rangeLine->addWidget(w, w == lo_ || w == hi_ ? 1 : 0);
    rangeLine->addWidget(column_, 2);
    rangeLine->addWidget(valueLabel_);
    rangeLine->addWidget(value_, 1);
    top->addLayout(rangeLine);

    auto* runLine = new QHBoxLayout;
    run_ = new QPushButton(this);
    stop_ = new QPushButton(this);
    stop_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    saveCsv_ = new QPushButton(this);
    runLine->addWidget(run_);
    runLine->addWidget(stop_);
    runLine->addWidget(progress_, 1);
    runLine->addWidget(saveCsv_);
    close_ = new QPushButton(this);
    runLine->addWidget(close_);
    top->addLayout(runLine);
    status_ = new QLabel(this);
    top->addWidget(status_);
    table_ = newTable(this);
    table_->setColumnCount(5);
    top->addWidget(table_, 1);
    notes_ = new QLabel(this);
    notes_->setWordWrap(true);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setTextFormat(Qt::PlainText);
    top->addWidget(notes_);

    connect(run_, &QPushButton::clicked, this, [this] { caught([this] { start(); }); });
    connect(stop_, &QPushButton::clicked, this, [this] { caught([this] { cancel(); }); });
    connect(saveCsv_, &QPushButton::clicked, this, [this] { caught([this] { saveCsv(); }); });
    connect(question_, &QComboBox::currentIndexChanged, this,
        [this](int k) { caught([this, k] { value_->setEnabled(k == static_cast<int>(Question::Solve)); }); });
    for (QLineEdit* edit : { lo_, hi_, value_ })
        connect(edit, &QLineEdit::returnPressed, this, [this] { caught([this] { start(); }); });
    connect(close_, &QPushButton::clicked, this, [this] { caught([this] { window()->close(); }); });
    for (QPushButton* b : { run_, stop_, saveCsv_, close_ })
        b->setAutoDefault(false);
    saveCsv_->setEnabled(false);
    setTexts();
}

void TargetPanel::setTexts()
{
    questionLabel_->setText(text(Text::TargetQuestion));
    const Text questions[] = { Text::TargetSolve, Text::TargetMaximize, Text::TargetMinimize };
    for (int k = 0; k < 3; ++k)
        question_->setItemText(k, text(questions[k]));
    inputLabel_->setText(text(Text::StudyInput));
    for (int k = 0; k < input_->count(); ++k)
        input_->setItemText(k, captionOf(inputs_, fieldInfo(inputs_[static_cast<size_t>(k)].first)));
    fromLabel_->setText(text(Text::TargetFrom));
    toLabel_->setText(text(Text::TargetTo));
    columnLabel_->setText(text(Text::TargetColumn));
    valueLabel_->setText(text(Text::TargetValue));
    run_->setText(text(Text::StudyRun));
    stop_->setText(text(Text::StudyCancel));
    saveCsv_->setText(text(Text::StudySaveCsv));
    close_->setText(text(Text::StudyClose));
    table_->setHorizontalHeaderLabels(text(Text::TargetColumns).split(u','));
    if (plan_)
        for (int r = 0; r < table_->rowCount(); ++r)
            table_->item(r, 0)->setText(captionOf(inputs_, *plan_->explore.field));
    notes_->setText(notes());
}

void TargetPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        caught([this] { setTexts(); });
    QWidget::changeEvent(event);
}

void TargetPanel::ask(
    Question question, Field field, const QString& lo, const QString& hi, const QString& column, const QString& value)
{
    question_->setCurrentIndex(static_cast<int>(question));
    for (size_t k = 0; k < inputs_.size(); ++k)
        if (inputs_[k].first == field)
            input_->setCurrentIndex(static_cast<int>(k));
    lo_->setText(lo);
    hi_->setText(hi);
    column_->setCurrentText(column);
    value_->setText(value);
}

bool TargetPanel::start()
{
    if (running() || input_->currentIndex() < 0)
        return false;
    const std::string range
        = std::string(legendName(fieldInfo(inputs_[static_cast<size_t>(input_->currentIndex())].first))) + "="
        + typed(lo_) + ":" + typed(hi_);
    const std::string column = column_->currentText().toStdString();
    batch::Options options;
    switch (static_cast<Question>(question_->currentIndex())) {
    case Question::Solve:
        options.solve = range;
        options.target = column + "=" + typed(value_);
        break;
    case Question::Maximize:
        options.maximize = column;
        options.over = range;
        break;
    case Question::Minimize:
        options.minimize = column;
        options.over = range;
        break;
    }
    std::shared_ptr<const batch::Plan> plan = planOf(this, options);
    if (!plan)
        return false;
    progress_->setRange(0, 0);
    status_->clear();
    run_->setEnabled(false);
    stop_->setEnabled(true);
    stop_->setFocus();
    struct Answer {
        std::vector<batch::Solution> found;
        std::vector<batch::Trust> trust;
    };
    const auto answer = std::make_shared<Answer>();
    worker_.start(
        this,
        [plan, answer](const batch::BeforeRun& beforeRun) {
            const batch::Explore& e = plan->explore;
            answer->found = e.kind == batch::Explore::Kind::Solve
                ? batch::solve(*plan, *e.field, e.lo, e.hi, e.column, e.target, beforeRun)
                : batch::optimize(
                    *plan, *e.field, e.lo, e.hi, e.column, e.kind == batch::Explore::Kind::Maximize, beforeRun);
            // The step check at each answer, its runs at halved steps counted.
            for (const batch::Solution& s : answer->found) {
                for (int k = 0; k < kCheckRuns; ++k)
                    beforeRun();
                answer->trust.push_back(batch::trustOf(*plan, s));
            }
        },
        [this, answer, plan](std::exception_ptr error) {
            if (!worker_.cancelled() && !error) {
                plan_ = std::make_unique<batch::Plan>(*plan);
                found_ = std::move(answer->found);
                trust_ = std::move(answer->trust);
            }
            finished(error);
        },
        [this] { status_->setText(text(Text::TargetRuns).arg(worker_.runs())); });
    return true;
}

void TargetPanel::finished(std::exception_ptr error)
{
    run_->setEnabled(true);
    stop_->setEnabled(false);
    run_->setFocus();
    progress_->setRange(0, 1);
    progress_->setValue(1);
    if (worker_.cancelled()) {
        status_->setText(text(Text::StudyKindCancelled).arg(worker_.runs()));
        return;
    }
    if (error) {
        status_->clear();
        std::rethrow_exception(error);
    }
    const batch::Explore& e = plan_->explore;
    status_->setText(text(Text::TargetFound).arg(found_.size()).arg(worker_.runs()));
    table_->setRowCount(static_cast<int>(found_.size()));
    for (size_t k = 0; k < found_.size(); ++k) {
        const int row = static_cast<int>(k);
        putText(table_, row, 0, captionOf(inputs_, *e.field));
        putNumber(table_, row, 1, found_[k].value);
        putText(table_, row, 2, QString::fromUtf8(summaryQuantities()[static_cast<size_t>(e.column)].column));
        putNumber(table_, row, 3, found_[k].achieved);
        putNumber(table_, row, 4, static_cast<double>(found_[k].runs));
    }
    table_->resizeColumnsToContents();
    saveCsv_->setEnabled(!found_.empty());
    notes_->setText(notes());
}

std::string TargetPanel::tableText() const
{
    if (!plan_ || found_.empty())
        return {};
    const batch::Explore& e = plan_->explore;
    return batch::searchText(batch::Format::Csv, *e.field, e.column, found_);
}

QString TargetPanel::notes() const
{
    if (!plan_)
        return {};
    const batch::Explore& e = plan_->explore;
    const QString input = QString::fromUtf8(legendName(*e.field));
    const QString output = QString::fromUtf8(summaryQuantities()[static_cast<size_t>(e.column)].column);
    if (found_.empty())
        return e.kind == batch::Explore::Kind::Solve
            ? text(Text::TargetOutOfReach)
                  .arg(output, numberText(e.target), captionOf(inputs_, *e.field), numberText(e.lo), numberText(e.hi))
            : text(Text::TargetNoOutput).arg(captionOf(inputs_, *e.field), numberText(e.lo), numberText(e.hi), output);
    QStringList lines;
    for (size_t k = 0; k < found_.size() && k < trust_.size(); ++k) {
        const batch::Trust& t = trust_[k];
        const QString at = input + u'=' + numberText(found_[k].value);
        switch (t.kind) {
        case batch::Trust::Kind::Sound:
            break;
        case batch::Trust::Kind::NotSettled:
            lines << text(Text::TargetNotSettled).arg(at, output, input);
            break;
        case batch::Trust::Kind::WithinError:
            lines << text(Text::TargetWithinError).arg(at, output, numberText(e.target), numberText(t.error))
                    + (t.spread != 0 ? text(Text::TargetUncertain).arg(input, numberText(t.spread)) : QString());
            break;
        case batch::Trust::Kind::FlatTop:
            lines << text(Text::TargetFlatTop).arg(at, output, numberText(t.error), input, numberText(t.spread));
            break;
        }
    }
    return lines.join(u'\n');
}

void TargetPanel::saveCsv()
{
    guarded([this] {
        look::saveFrom(saveCsv_, QStringLiteral("target.csv"), text(Text::FilterCsv), QStringLiteral("csv"),
            [this] { return tableText(); });
    });
}

// ---------------------------------------------------------------- shares

QString sharesText(const std::vector<const FieldInfo*>& fields, const Captions& captions,
    const std::vector<std::vector<double>>& drawn, const std::vector<double>& outputs, const QString& outputName)
{
    QStringList parts;
    double sum = 0;
    for (size_t k = 0; k < fields.size() && k < drawn.size(); ++k) {
        const double share = batch::squaredCorrelation(drawn[k], outputs);
        if (std::isnan(share))
            return {};
        sum += share;
        parts << QStringLiteral("%1 %2").arg(captionOf(captions, *fields[k]), QString::number(share, 'f', 3));
    }
    if (parts.isEmpty())
        return {};
    QString line
        = text(Text::SharesLine).arg(outputName, parts.join(QStringLiteral(", ")), QString::number(sum, 'f', 3));
    if (std::fabs(sum - 1) > batch::kSharesAddUpWithin)
        line += text(Text::SharesOff);
    return line;
}

} // namespace torv
