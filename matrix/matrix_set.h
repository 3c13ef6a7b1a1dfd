// A loaded matrix set: for every event and node, the detection flag and the
// three impact values. Events are numbered 1..nEvents and nodes 1..nNodes,
// as in the files. The cells are shared and never change, so copying a set
// is cheap and two sets (a design set and a test set, say) can be held at once.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace matrix {

template <typename T>
class Matrix {
public:
    // An absent matrix: its file was not there.
    Matrix() = default;

    // Takes cells stored event by event, nNodes values to an event.
    static Matrix FromCells(std::vector<T> cells, std::int32_t nEvents, std::int32_t nNodes) {
        auto owned = std::make_shared<const std::vector<T>>(std::move(cells));
        const T* data = owned->data();
        return Matrix(std::move(owned), data, nEvents, nNodes);
    }

    // Cells that live in memory kept alive by owner (a mapped file, say).
    static Matrix View(std::shared_ptr<const void> owner, const T* data, std::int32_t nEvents, std::int32_t nNodes) {
        return Matrix(std::move(owner), data, nEvents, nNodes);
    }

    bool Present() const { return data_ != nullptr; }
    std::int32_t nEvents() const { return nEvents_; }
    std::int32_t nNodes() const { return nNodes_; }

    // The values of event e (1..nEvents): node n at [n - 1].
    const T* Row(std::int32_t event) const {
        return data_ + static_cast<std::size_t>(event - 1) * static_cast<std::size_t>(nNodes_);
    }
    T operator()(std::int32_t node, std::int32_t event) const { return Row(event)[node - 1]; }
    // All cells, event by event.
    const T* Cells() const { return data_; }

    // The first nEvents events only.
    Matrix FirstEvents(std::int32_t nEvents) const {
        Matrix m = *this;
        if (nEvents < m.nEvents_) m.nEvents_ = nEvents;
        return m;
    }

private:
    Matrix(std::shared_ptr<const void> owner, const T* data, std::int32_t nEvents, std::int32_t nNodes)
        : owner_(std::move(owner)), data_(data), nEvents_(nEvents), nNodes_(nNodes) {}

    std::shared_ptr<const void> owner_;
    const T* data_ = nullptr;
    std::int32_t nEvents_ = 0;
    std::int32_t nNodes_ = 0;
};

// Whether a detection flag says the node detects the event. Every reader
// asks this, so that no two read a flag differently; the loaders refuse
// flags other than 0 and 1.
constexpr bool Detects(std::uint8_t flag) { return flag != 0; }

struct MatrixSet {
    std::int32_t nNodes = 0;
    std::int32_t nEvents = 0;
    Matrix<std::uint8_t> Z4;   // 1 = the node detects the event
    Matrix<float> Z1, Z2, Z3;  // minutes to detection, people affected, volume consumed

    // Z1, Z2 or Z3 for k = 1..3.
    const Matrix<float>& Values(int k) const { return k == 1 ? Z1 : k == 2 ? Z2 : Z3; }
    // Whether matrix k (1..4) was loaded: a set built without Z2 has no Z2.
    bool Has(int k) const { return k == 4 ? Z4.Present() : Values(k).Present(); }
};

}  // namespace matrix
