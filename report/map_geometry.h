// Where things go on the map: the network's coordinates fitted into a
// canvas of fixed size, y pointing down, positions in whole hundredths of a
// canvas unit so the page stores short exact numbers.
#pragma once

#include <optional>
#include <vector>

#include "report/report_data.h"

namespace report {

inline constexpr int kCanvasLongSide = 1000;  // canvas units; about one screen pixel each
inline constexpr int kCanvasMargin = 30;
inline constexpr int kSubunits = 100;  // stored positions are hundredths of a canvas unit

struct CanvasPoint {
    int x = 0;  // hundredths of a canvas unit
    int y = 0;
};

class MapFrame {
public:
    // The frame around every node with coordinates and the vertices of the
    // links between them; nothing when no node has coordinates or all of
    // them (more than one) share a single position.
    static std::optional<MapFrame> Fit(const ReportData& data);

    static bool HasPosition(const MapNode& node);
    CanvasPoint At(double x, double y) const;
    int Width() const { return width_; }  // canvas units
    int Height() const { return height_; }

private:
    double left_ = 0, top_ = 0, scale_ = 1;
    double offsetX_ = 0, offsetY_ = 0;
    int width_ = kCanvasLongSide, height_ = kCanvasLongSide;
};

// A link's drawn points: its end nodes and vertices, empty when either end
// has no position. Fills `points` (reused between calls).
void LinkPoints(const ReportData& data, const MapFrame& frame, const MapLink& link, std::vector<CanvasPoint>& points);

// Halfway along a polyline, and the direction there in whole degrees
// clockwise from the x axis (canvas y points down).
struct Placement {
    CanvasPoint at;
    int degrees = 0;
};
Placement PolylineMiddle(const std::vector<CanvasPoint>& points);

}  // namespace report
