#include "matrix_text.h"

#include <stdexcept>

#include "evaluator/fitness.h"
#include "support/test_support.h"

namespace evaluator_testing {

std::string MatrixText(int nNodes, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description) {
    std::string text;
    for (int f = 0; f < 9; ++f) text += "999,";
    for (int n = 1; n <= nNodes; ++n) text += "\"N" + std::to_string(n) + "\",";
    text += "\r\n";
    for (const auto& row : rows) {
        text += description + ",";
        for (const auto& value : row) text += value + ",";
        text += "\r\n";
    }
    return text;
}

void WriteMatrixSet(const std::string& networkPath, const std::string& z1, const std::string& z2,
                    const std::string& z3, const std::string& z4) {
    const std::string* texts[] = {nullptr, &z1, &z2, &z3, &z4};
    for (int k = 1; k <= 4; ++k)
        if (!texts[k]->empty()) testing_support::WriteText(fitness::MatrixFilePath(networkPath, k), *texts[k]);
}

std::string PaddedChainNetwork(int junctions, std::size_t size) {
    std::string network = testing_support::ChainNetwork(junctions);
    if (network.size() + 3 > size) throw std::invalid_argument("network larger than the size asked for");
    std::string padding = ";" + std::string(size - network.size() - 2, '-') + "\n";
    return padding + network;
}

}  // namespace evaluator_testing
