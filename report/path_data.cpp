#include "report/path_data.h"

#include "base/number_text.h"

namespace report {

void PathData::Pair(int a, int b) {
    base::AppendHundredths(out_, a);
    if (b >= 0) out_ += ' ';
    base::AppendHundredths(out_, b);
}

void PathData::MoveTo(CanvasPoint p) {
    out_ += 'M';
    Pair(p.x, p.y);
    last_ = p;
    inLine_ = false;
    ++moves_;
}

void PathData::LineTo(CanvasPoint p) {
    int dx = p.x - last_.x;
    if (!inLine_)
        out_ += 'l';
    else if (dx >= 0)
        out_ += ' ';
    Pair(dx, p.y - last_.y);
    last_ = p;
    inLine_ = true;
}

void PathData::Dot(CanvasPoint p) {
    MoveTo(p);
    out_ += "h0";
}

}  // namespace report
