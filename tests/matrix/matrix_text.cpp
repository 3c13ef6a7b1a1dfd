#include "matrix_text.h"

#include <stdexcept>

#include "matrix/file_names.h"
#include "support/test_support.h"

namespace matrix_testing {

std::vector<std::string> NodeIds(int nNodes) {
    std::vector<std::string> ids;
    for (int n = 1; n <= nNodes; ++n) ids.push_back("N" + std::to_string(n));
    return ids;
}

namespace {

std::string HeaderOf(const std::vector<std::string>& ids) {
    std::string text;
    for (int f = 0; f < 9; ++f) text += "999,";
    for (const std::string& id : ids) text += "\"" + id + "\",";
    return text + "\r\n";
}

}  // namespace

std::string Header(int nNodes) { return HeaderOf(NodeIds(nNodes)); }

std::string MatrixText(int nNodes, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description) {
    return MatrixText(NodeIds(nNodes), rows, description);
}

std::string MatrixText(const std::vector<std::string>& ids, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description) {
    std::string text = HeaderOf(ids);
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
        if (!texts[k]->empty()) testing_support::WriteText(matrix::MatrixFileName(networkPath, k), *texts[k]);
}

std::string PaddedChainNetwork(int junctions, std::size_t size) {
    std::string network = testing_support::ChainNetwork(junctions);
    if (network.size() + 3 > size) throw std::invalid_argument("network larger than the size asked for");
    std::string padding = ";" + std::string(size - network.size() - 2, '-') + "\n";
    return padding + network;
}

SetBuilder::SetBuilder(int nNodes, int nEvents, float never)
    : nNodes_(nNodes), nEvents_(nEvents),
      flags_(static_cast<std::size_t>(nNodes) * static_cast<std::size_t>(nEvents), 0),
      z1_(flags_.size(), never), z2cells_(flags_.size(), -1.0f), z3_(flags_.size(), -1.0f) {}

std::size_t SetBuilder::At(int node, int event) const {
    return static_cast<std::size_t>(event - 1) * static_cast<std::size_t>(nNodes_) + static_cast<std::size_t>(node - 1);
}

void SetBuilder::Detects(int node, int event, float z1, float z2, float z3) {
    flags_[At(node, event)] = 1;
    z1_[At(node, event)] = z1;
    z2cells_[At(node, event)] = z2;
    z3_[At(node, event)] = z3;
}

matrix::MatrixSet SetBuilder::Set() const {
    matrix::MatrixSet set;
    set.nNodes = nNodes_;
    set.nEvents = nEvents_;
    set.Z4 = matrix::Matrix<std::uint8_t>::FromCells(flags_, nEvents_, nNodes_);
    set.Z1 = matrix::Matrix<float>::FromCells(z1_, nEvents_, nNodes_);
    if (z2_) set.Z2 = matrix::Matrix<float>::FromCells(z2cells_, nEvents_, nNodes_);
    set.Z3 = matrix::Matrix<float>::FromCells(z3_, nEvents_, nNodes_);
    return set;
}

}  // namespace matrix_testing
