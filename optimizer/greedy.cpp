#include "optimizer/greedy.h"

#include <algorithm>
#include <utility>

namespace optimizer {

void GreedyFill(const MedianModel& model, std::vector<std::int32_t>& selection, std::int32_t size) {
    if (static_cast<std::int32_t>(selection.size()) >= size) return;
    std::vector<double> levels = LevelsUnder(model, selection);
    std::vector<double> gains;
    ColumnGains(model, levels, gains);
    std::vector<std::uint8_t> taken(gains.size(), 0);
    for (std::int32_t c : selection) taken[static_cast<std::size_t>(c)] = 1;

    std::vector<std::pair<double, std::int32_t>> queue;
    for (std::size_t c = 0; c < gains.size(); ++c)
        if (!taken[c] && gains[c] > 0) queue.emplace_back(gains[c], static_cast<std::int32_t>(c));
    std::make_heap(queue.begin(), queue.end());
    while (static_cast<std::int32_t>(selection.size()) < size && !queue.empty()) {
        std::pop_heap(queue.begin(), queue.end());
        std::int32_t c = queue.back().second;
        queue.pop_back();
        double gain = ColumnGain(model, c, levels);
        if (gain <= 0) continue;
        if (queue.empty() || gain >= queue.front().first) {
            selection.push_back(c);
            LowerLevels(model, c, levels);
        } else {
            queue.emplace_back(gain, c);
            std::push_heap(queue.begin(), queue.end());
        }
    }
}

}  // namespace optimizer
