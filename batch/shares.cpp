#include "batch/shares.h"

#include <cmath>
#include <limits>

#include "batch/studyfigures.h"
#include "model/fields.h"

namespace torv::batch {

double squaredCorrelation(std::span<const double> x, std::span<const double> y)
{
    const Correlation c = correlation(x, y);
    return c.kind == Correlation::Some ? c.r * c.r : std::numeric_limits<double>::quiet_NaN();
}

ShareColumns::ShareColumns(const Plan& plan)
    : on_(plan.shares && !plan.varies.empty())
{
    if (!on_)
        return;
    for (const Vary& v : plan.varies)
        inputNames_.push_back(legendName(*v.field));
    drawn_.resize(plan.varies.size());
    outputNames_ = summaryColumns(plan.accuracy);
    outputs_.resize(outputNames_.size());
}

void ShareColumns::add(const Plan& plan, long long i, const RunResult& r)
{
    if (!on_ || r.status != kOk)
        return;
    size_t k = 0;
    for (const auto& [field, value] : plan.assignments(i))
        drawn_[k++].push_back(value);
    for (size_t q = 0; q < outputs_.size(); ++q)
        outputs_[q].push_back(q < r.numbers.size() ? r.numbers[q] : std::numeric_limits<double>::quiet_NaN());
}

std::vector<double> ShareColumns::sums() const
{
    std::vector<double> sums(outputs_.size(), 0);
    for (size_t q = 0; q < outputs_.size(); ++q)
        for (const std::vector<double>& x : drawn_)
            sums[q] += squaredCorrelation(x, outputs_[q]);
    return sums;
}

std::string ShareColumns::lines(const SummaryText& text) const
{
    if (!on_)
        return {};
    using Cell = SummaryText::Cell;
    // The row's name, the drawn inputs' columns left empty, a number per
    // summary column, the empty error.
    const auto row = [&](const std::string& name, const std::vector<double>& values) {
        std::vector<Cell> cells { { name, Cell::Text } };
        cells.resize(1 + drawn_.size(), { "", Cell::Empty });
        for (double v : values)
            cells.push_back(SummaryText::numberCell(v));
        cells.push_back({ "", Cell::Empty });
        return text.line(cells);
    };
    std::string out;
    for (size_t k = 0; k < drawn_.size(); ++k) {
        std::vector<double> shares;
        for (const std::vector<double>& y : outputs_)
            shares.push_back(squaredCorrelation(drawn_[k], y));
        out += row("r2_" + inputNames_[k], shares);
    }
    return out + row("r2_sum", sums());
}

std::vector<std::pair<std::string, double>> ShareColumns::unexplained() const
{
    std::vector<std::pair<std::string, double>> off;
    if (!on_)
        return off;
    const std::vector<double> s = sums();
    for (size_t q = 0; q < s.size(); ++q)
        if (std::isfinite(s[q]) && std::fabs(s[q] - 1) > kSharesAddUpWithin)
            off.emplace_back(outputNames_[q], s[q]);
    return off;
}

} // namespace torv::batch
