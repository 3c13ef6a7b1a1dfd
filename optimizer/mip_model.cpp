#include "optimizer/mip_model.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include <coin/Cbc_C_Interface.h>

namespace optimizer {

namespace {

// CBC takes infinite bounds as large finite numbers.
constexpr double kCbcInfinity = 1e30;
constexpr double kLongestWait = 1e8;

double Finite(double v) {
    return std::clamp(v, -kCbcInfinity, kCbcInfinity);
}

struct ModelDeleter {
    void operator()(Cbc_Model* model) const { Cbc_deleteModel(model); }
};

}  // namespace

int MipModel::AddColumn(double lower, double upper, double objective, bool integer) {
    lower_.push_back(lower);
    upper_.push_back(upper);
    objective_.push_back(objective);
    int column = static_cast<int>(lower_.size()) - 1;
    if (integer) integers_.push_back(column);
    return column;
}

void MipModel::AddRow(const std::vector<int>& columns, const std::vector<double>& coefficients, double lower,
                      double upper) {
    rowColumn_.insert(rowColumn_.end(), columns.begin(), columns.end());
    rowCoefficient_.insert(rowCoefficient_.end(), coefficients.begin(), coefficients.end());
    rowStart_.push_back(static_cast<std::int64_t>(rowColumn_.size()));
    rowLower_.push_back(lower);
    rowUpper_.push_back(upper);
}

MipModel::Solution MipModel::Solve(double seconds, int threads, double cutoff) const {
    // Rows were added row-wise; the solver takes the matrix column-wise.
    std::size_t nColumns = lower_.size();
    std::vector<CoinBigIndex> columnStart(nColumns + 1, 0);
    for (int c : rowColumn_) ++columnStart[static_cast<std::size_t>(c) + 1];
    for (std::size_t c = 0; c < nColumns; ++c) columnStart[c + 1] += columnStart[c];
    std::vector<int> rowIndex(rowColumn_.size());
    std::vector<double> value(rowColumn_.size());
    std::vector<CoinBigIndex> next(columnStart.begin(), columnStart.end() - 1);
    for (std::size_t r = 0; r + 1 < rowStart_.size(); ++r)
        for (std::int64_t k = rowStart_[r]; k < rowStart_[r + 1]; ++k) {
            auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(rowColumn_[static_cast<std::size_t>(k)])]++);
            rowIndex[at] = static_cast<int>(r);
            value[at] = rowCoefficient_[static_cast<std::size_t>(k)];
        }
    std::vector<double> lower(nColumns), upper(nColumns), rowLower(rowLower_.size()), rowUpper(rowUpper_.size());
    std::transform(lower_.begin(), lower_.end(), lower.begin(), Finite);
    std::transform(upper_.begin(), upper_.end(), upper.begin(), Finite);
    std::transform(rowLower_.begin(), rowLower_.end(), rowLower.begin(), Finite);
    std::transform(rowUpper_.begin(), rowUpper_.end(), rowUpper.begin(), Finite);

    std::unique_ptr<Cbc_Model, ModelDeleter> model(Cbc_newModel());
    Cbc_loadProblem(model.get(), static_cast<int>(nColumns), static_cast<int>(rowLower.size()), columnStart.data(),
                    rowIndex.data(), value.data(), lower.data(), upper.data(), objective_.data(), rowLower.data(),
                    rowUpper.data());
    for (int c : integers_) Cbc_setInteger(model.get(), c);
    Cbc_setLogLevel(model.get(), 0);
    Cbc_setParameter(model.get(), "timeMode", "elapsed");
    Cbc_setParameter(model.get(), "threads", std::to_string(std::max(1, threads)).c_str());
    Cbc_setMaximumSeconds(model.get(), std::isfinite(seconds) ? std::max(0.0, seconds) : kLongestWait);
    if (std::isfinite(cutoff)) Cbc_setCutoff(model.get(), cutoff);
    if (start_.size() == nColumns) {
        std::vector<int> all(nColumns);
        for (std::size_t c = 0; c < nColumns; ++c) all[c] = static_cast<int>(c);
        Cbc_setMIPStartI(model.get(), static_cast<int>(nColumns), all.data(), start_.data());
    }
    Cbc_solve(model.get());

    Solution solution;
    solution.optimal = Cbc_isProvenOptimal(model.get()) != 0;
    solution.infeasible = Cbc_isProvenInfeasible(model.get()) != 0;
    const double* best = Cbc_bestSolution(model.get());
    if (best) {
        solution.found = true;
        solution.values.assign(best, best + nColumns);
        solution.objective = Cbc_getObjValue(model.get());
    }
    solution.bound = Cbc_getBestPossibleObjValue(model.get());
    if (solution.optimal && solution.found) solution.bound = solution.objective;
    return solution;
}

}  // namespace optimizer
