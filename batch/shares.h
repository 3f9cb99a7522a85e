// Each drawn input's share of the variance of a study's outputs, as far as a
// straight line explains it: the squared correlation coefficient of the
// input with the output over the runs (first order and linear). Where an
// output responds to the inputs together or along a curve, the shares of its
// inputs do not add up to 1, and the rest is not attributed.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "batch/runs.h"

namespace torv::batch {

// Shares whose sum lies further from 1 than this leave a part of the
// variance unexplained (or, above 1, the drawn inputs happened to be
// correlated in the sample).
inline constexpr double kSharesAddUpWithin = 0.1;

// r squared of x and y over the pairs where both are finite; NaN below three
// such pairs or where either does not vary.
double squaredCorrelation(std::span<const double> x, std::span<const double> y);

// The runs of a study, each with its drawn values and summary numbers, for
// the shares after the statistics (with --shares).
class ShareColumns {
public:
    explicit ShareColumns(const Plan& plan);
    void add(const Plan& plan, long long i, const RunResult& r);
    // A row "r2_NAME" per drawn input with its share of every summary
    // column, then "r2_sum"; "" without --shares.
    std::string lines(const SummaryText& text) const;
    // The summary columns whose shares do not add up to about 1, with their
    // sums.
    std::vector<std::pair<std::string, double>> unexplained() const;

private:
    std::vector<double> sums() const;
    bool on_ = false;
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
    std::vector<std::vector<double>> drawn_; // by input, then run
    std::vector<std::vector<double>> outputs_; // by summary column, then run
};

} // namespace torv::batch
