// Writing SVG path data compactly: absolute moves, relative lines, dots.
// Many shapes share one <path> element, so the map keeps a small DOM.
#pragma once

#include <string>

#include "report/map_geometry.h"

namespace report {

class PathData {
public:
    explicit PathData(std::string& out) : out_(out) {}

    void MoveTo(CanvasPoint p);
    void LineTo(CanvasPoint p);  // a straight line from the last point
    // A zero-length line: drawn as a dot by a stroke with round caps, the
    // same size on screen at any zoom when the stroke does not scale.
    void Dot(CanvasPoint p);

    int Moves() const { return moves_; }

private:
    void Pair(int a, int b);

    std::string& out_;
    CanvasPoint last_;
    bool inLine_ = false;  // a relative line command is open, more pairs may follow
    int moves_ = 0;
};

}  // namespace report
