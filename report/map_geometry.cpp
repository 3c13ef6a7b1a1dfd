#include "report/map_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

namespace {

constexpr double kMinSideRatio = 0.45;  // a long thin network still gets a usable map height
constexpr double kPi = 3.14159265358979323846;

struct Extent {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    int nodes = 0;
    void Add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
};

Extent Measure(const ReportData& data) {
    Extent extent;
    for (const MapNode& node : data.nodes) {
        if (!MapFrame::HasPosition(node)) continue;
        extent.Add(node.x, node.y);
        ++extent.nodes;
    }
    auto hasPosition = [&](int n) {
        return n >= 0 && n < static_cast<int>(data.nodes.size()) && MapFrame::HasPosition(data.nodes[n]);
    };
    for (const MapLink& link : data.links)
        if (hasPosition(link.from) && hasPosition(link.to))
            for (const auto& [x, y] : link.vertices) extent.Add(x, y);
    return extent;
}

}  // namespace

bool MapFrame::HasPosition(const MapNode& node) { return std::isfinite(node.x) && std::isfinite(node.y); }

std::optional<MapFrame> MapFrame::Fit(const ReportData& data) {
    Extent extent = Measure(data);
    if (extent.nodes == 0) return std::nullopt;
    double spanX = extent.maxX - extent.minX, spanY = extent.maxY - extent.minY;
    double span = std::max(spanX, spanY);
    if (!std::isfinite(span) || (span == 0 && extent.nodes > 1)) return std::nullopt;
    if (span == 0) span = 1;

    MapFrame frame;
    double inner = kCanvasLongSide - 2.0 * kCanvasMargin;
    frame.scale_ = inner / span;
    double drawnX = std::max(spanX * frame.scale_, kMinSideRatio * inner);
    double drawnY = std::max(spanY * frame.scale_, kMinSideRatio * inner);
    frame.width_ = static_cast<int>(std::ceil(drawnX)) + 2 * kCanvasMargin;
    frame.height_ = static_cast<int>(std::ceil(drawnY)) + 2 * kCanvasMargin;
    frame.left_ = extent.minX;
    frame.top_ = extent.maxY;
    frame.offsetX_ = (frame.width_ - spanX * frame.scale_) / 2;
    frame.offsetY_ = (frame.height_ - spanY * frame.scale_) / 2;
    return frame;
}

CanvasPoint MapFrame::At(double x, double y) const {
    double cx = offsetX_ + (x - left_) * scale_;
    double cy = offsetY_ + (top_ - y) * scale_;
    return {static_cast<int>(std::lround(cx * kSubunits)), static_cast<int>(std::lround(cy * kSubunits))};
}

void LinkPoints(const ReportData& data, const MapFrame& frame, const MapLink& link, std::vector<CanvasPoint>& points) {
    points.clear();
    const MapNode& from = data.nodes[static_cast<std::size_t>(link.from)];
    const MapNode& to = data.nodes[static_cast<std::size_t>(link.to)];
    if (!MapFrame::HasPosition(from) || !MapFrame::HasPosition(to)) return;
    points.push_back(frame.At(from.x, from.y));
    for (const auto& [x, y] : link.vertices)
        if (std::isfinite(x) && std::isfinite(y)) points.push_back(frame.At(x, y));
    points.push_back(frame.At(to.x, to.y));
}

Placement PolylineMiddle(const std::vector<CanvasPoint>& points) {
    auto length = [&](std::size_t i) {
        return std::hypot(double(points[i + 1].x - points[i].x), double(points[i + 1].y - points[i].y));
    };
    double total = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) total += length(i);
    if (points.empty()) return {};
    if (total == 0) return {points.front(), 0};
    double remaining = total / 2;
    std::size_t i = 0;
    while (i + 2 < points.size() && length(i) < remaining) remaining -= length(i++);
    double share = length(i) > 0 ? remaining / length(i) : 0;
    const CanvasPoint& a = points[i];
    const CanvasPoint& b = points[i + 1];
    Placement middle;
    middle.at = {static_cast<int>(std::lround(a.x + share * (b.x - a.x))),
                 static_cast<int>(std::lround(a.y + share * (b.y - a.y)))};
    middle.degrees = static_cast<int>(std::lround(std::atan2(double(b.y - a.y), double(b.x - a.x)) * 180 / kPi));
    return middle;
}

}  // namespace report
