// A mixed-integer model (minimisation) built row by row and solved once by CBC.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace optimizer {

class MipModel {
public:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    int AddColumn(double lower, double upper, double objective, bool integer);
    void AddRow(const std::vector<int>& columns, const std::vector<double>& coefficients, double lower, double upper);
    // Adds the coefficients to the objective of the columns.
    void SetObjective(const std::vector<int>& columns, const std::vector<double>& coefficients) {
        for (std::size_t i = 0; i < columns.size(); ++i) objective_[static_cast<std::size_t>(columns[i])] += coefficients[i];
    }
    // A known solution (one value per column) for the solver to start from.
    void SetStart(std::vector<double> values) { start_ = std::move(values); }
    int columns() const { return static_cast<int>(lower_.size()); }

    struct Solution {
        bool optimal = false;     // proven optimal
        bool infeasible = false;  // proven: no solution (below the cutoff)
        bool found = false;       // values hold a solution
        double objective = kInfinity;
        double bound = -kInfinity;  // no solution is better
        std::vector<double> values;
    };
    // Stops after `seconds` of wall time; cutoff rejects solutions not below it.
    Solution Solve(double seconds, int threads, double cutoff = kInfinity) const;

private:
    std::vector<double> lower_, upper_, objective_;
    std::vector<int> integers_;
    std::vector<std::int64_t> rowStart_{0};
    std::vector<int> rowColumn_;
    std::vector<double> rowCoefficient_, rowLower_, rowUpper_;
    std::vector<double> start_;
};

}  // namespace optimizer
