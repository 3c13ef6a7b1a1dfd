// Fitting coordinates to the canvas, path data, and what the map draws.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <random>

#include "report/figure_scale.h"
#include "report/map_geometry.h"
#include "report/map_svg.h"
#include "report/path_data.h"
#include "synthetic_network.h"

namespace {

using namespace report;

ReportData Nodes(std::vector<std::pair<double, double>> positions) {
    ReportData data;
    for (std::size_t i = 0; i < positions.size(); ++i)
        data.nodes.push_back({std::to_string(i), NodeKind::Junction, positions[i].first, positions[i].second});
    return data;
}

double Distance(CanvasPoint a, CanvasPoint b) { return std::hypot(double(a.x - b.x), double(a.y - b.y)); }

TEST(MapFrame, KeepsShapeFlipsYAndStaysInsideTheMargins) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> x(-5000, 25000), y(1e6, 1e6 + 8000);
    std::vector<std::pair<double, double>> positions(300);
    for (auto& p : positions) p = {x(random), y(random)};
    ReportData data = Nodes(positions);
    auto frame = MapFrame::Fit(data);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Width(), kCanvasLongSide);
    std::vector<CanvasPoint> drawn;
    for (const auto& [px, py] : positions) drawn.push_back(frame->At(px, py));
    for (const CanvasPoint& p : drawn) {
        ASSERT_GE(p.x, kCanvasMargin * kSubunits - 1);
        ASSERT_LE(p.x, (frame->Width() - kCanvasMargin) * kSubunits + 1);
        ASSERT_GE(p.y, 0);
        ASSERT_LE(p.y, frame->Height() * kSubunits);
    }
    // One scale for both axes: canvas distances are network distances times it.
    double scale = Distance(drawn[0], drawn[1]) /
                   std::hypot(positions[0].first - positions[1].first, positions[0].second - positions[1].second);
    for (std::size_t i = 2; i < positions.size(); ++i) {
        double network = std::hypot(positions[i].first - positions[0].first, positions[i].second - positions[0].second);
        ASSERT_NEAR(Distance(drawn[i], drawn[0]), network * scale, 2.0);
    }
    // North is up.
    EXPECT_LT(frame->At(0, 1e6 + 8000).y, frame->At(0, 1e6).y);
}

TEST(MapFrame, NodesWithoutCoordinatesAndTheirLinksDoNotWidenTheMap) {
    ReportData data = Nodes({{0, 0}, {100, 100}, {kNoValue, kNoValue}});
    data.links.push_back({"P1", LinkKind::Pipe, 1, 2, {{1e6, 1e6}}});
    auto frame = MapFrame::Fit(data);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Width(), kCanvasLongSide);
    EXPECT_EQ(frame->Height(), kCanvasLongSide);
    EXPECT_EQ(frame->At(100, 100).x, (kCanvasLongSide - kCanvasMargin) * kSubunits);
    std::vector<CanvasPoint> points;
    LinkPoints(data, *frame, data.links[0], points);
    EXPECT_TRUE(points.empty());
}

TEST(MapFrame, VerticesWidenTheMap) {
    ReportData data = Nodes({{0, 0}, {100, 0}});
    data.links.push_back({"P1", LinkKind::Pipe, 0, 1, {{50, -100}}});
    auto frame = MapFrame::Fit(data);
    ASSERT_TRUE(frame);
    std::vector<CanvasPoint> points;
    LinkPoints(data, *frame, data.links[0], points);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].y, (frame->Height() - kCanvasMargin) * kSubunits);
}

TEST(MapFrame, DegenerateCoordinates) {
    EXPECT_FALSE(MapFrame::Fit(Nodes({})));
    EXPECT_FALSE(MapFrame::Fit(Nodes({{kNoValue, kNoValue}, {kNoValue, 3}})));
    EXPECT_FALSE(MapFrame::Fit(Nodes({{7, 7}, {7, 7}})));  // all at one point: nothing to show
    EXPECT_FALSE(MapFrame::Fit(Nodes({{-1e308, 0}, {1e308, 0}})));  // a span no double holds
    auto single = MapFrame::Fit(Nodes({{7, 7}}));
    ASSERT_TRUE(single);
    CanvasPoint p = single->At(7, 7);
    EXPECT_EQ(p.x, single->Width() * kSubunits / 2);
    EXPECT_EQ(p.y, single->Height() * kSubunits / 2);
    // A network along one line still gets a map of usable height.
    auto line = MapFrame::Fit(Nodes({{0, 0}, {5000, 0}}));
    ASSERT_TRUE(line);
    EXPECT_GT(line->Height(), kCanvasLongSide / 3);
}

TEST(PolylineMiddle, HalfwayAlongTheLengthAndTheDirectionThere) {
    Placement straight = PolylineMiddle({{0, 0}, {1000, 0}});
    EXPECT_EQ(straight.at.x, 500);
    EXPECT_EQ(straight.degrees, 0);
    // 300 along x then 100 down: the middle (200) is on the first part.
    Placement first = PolylineMiddle({{0, 0}, {300, 0}, {300, 100}});
    EXPECT_EQ(first.at.x, 200);
    EXPECT_EQ(first.at.y, 0);
    // 100 down then 300 to the left: the middle is 100 along the second part.
    Placement second = PolylineMiddle({{0, 0}, {0, 100}, {-300, 100}});
    EXPECT_EQ(second.at.x, -100);
    EXPECT_EQ(second.at.y, 100);
    EXPECT_EQ(second.degrees, 180);
    EXPECT_EQ(PolylineMiddle({{0, 0}, {0, 50}}).degrees, 90);  // canvas y points down
    EXPECT_EQ(PolylineMiddle({{4, 4}, {4, 4}}).at.x, 4);
}

// Reads path data back into absolute points: M starts a polyline, l adds
// relative points until the next command; h0 is a dot.
std::vector<std::vector<CanvasPoint>> ParsePath(const std::string& d) {
    std::vector<std::vector<CanvasPoint>> lines;
    std::size_t i = 0;
    char command = 0;
    auto number = [&] {
        while (d[i] == ' ') ++i;
        char* end;
        double v = std::strtod(d.c_str() + i, &end);
        i = static_cast<std::size_t>(end - d.c_str());
        return static_cast<int>(std::lround(v * kSubunits));
    };
    while (i < d.size()) {
        if (std::isalpha(static_cast<unsigned char>(d[i]))) command = d[i++];
        if (command == 'h') {
            EXPECT_EQ(number(), 0);
            continue;
        }
        int x = number(), y = number();
        if (command == 'M')
            lines.push_back({{x, y}});
        else
            lines.back().push_back({lines.back().back().x + x, lines.back().back().y + y});
    }
    return lines;
}

TEST(PathData, WritesPolylinesThatReadBackExactly) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> coordinate(-100000, 100000), length(2, 4);
    std::vector<std::vector<CanvasPoint>> lines(200);
    std::string d;
    PathData path(d);
    for (auto& line : lines) {
        line.resize(static_cast<std::size_t>(length(random)));
        for (auto& p : line) p = {coordinate(random), coordinate(random)};
        path.MoveTo(line[0]);
        for (std::size_t k = 1; k < line.size(); ++k) path.LineTo(line[k]);
    }
    EXPECT_EQ(path.Moves(), 200);
    auto back = ParsePath(d);
    ASSERT_EQ(back.size(), lines.size());
    for (std::size_t l = 0; l < lines.size(); ++l) {
        ASSERT_EQ(back[l].size(), lines[l].size());
        for (std::size_t k = 0; k < lines[l].size(); ++k) {
            ASSERT_EQ(back[l][k].x, lines[l][k].x);
            ASSERT_EQ(back[l][k].y, lines[l][k].y);
        }
    }
    std::string dots;
    PathData dotPath(dots);
    dotPath.Dot({1050, 20});
    dotPath.Dot({-7, 0});
    EXPECT_EQ(dots, "M10.5 0.2h0M-0.07 0h0");
}

// The d attributes of the paths whose class attribute starts with `cls`.
std::vector<std::string> PathsOf(const std::string& svg, const std::string& cls) {
    std::vector<std::string> found;
    std::string key = "class=\"" + cls;
    for (std::size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at + 1)) {
        std::size_t d = svg.find(" d=\"", at);
        found.push_back(svg.substr(d + 4, svg.find('"', d + 4) - d - 4));
    }
    return found;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(MapSvg, DrawsEveryPlacedLinkNodeSymbolAndSensorOnce) {
    ReportData data = testing_support::SyntheticReport(testing_support::SmallNetwork());
    data.nodes[3].x = kNoValue;  // one node without coordinates, and a sensor on it
    data.sensors.push_back(3);
    auto frame = MapFrame::Fit(data);
    ASSERT_TRUE(frame);
    std::vector<FigureScale> scales;
    for (const auto& figure : data.figures) scales.push_back(ScaleFigure(figure));
    std::string svg;
    AppendMapSvg(svg, data, *frame, scales);

    std::size_t pipes = 0, pumps = 0, valves = 0;
    for (const MapLink& link : data.links) {
        if (link.from == 3 || link.to == 3) continue;
        (link.kind == LinkKind::Pipe ? pipes : link.kind == LinkKind::Pump ? pumps : valves)++;
    }
    ASSERT_GT(pumps, 0u);
    ASSERT_GT(valves, 0u);
    auto lines = [&](const std::string& cls) {
        auto paths = PathsOf(svg, cls);
        return paths.size() == 1 ? ParsePath(paths[0]).size() : 0;
    };
    EXPECT_EQ(lines("link pipe"), pipes);
    EXPECT_EQ(lines("link pump"), pumps);
    EXPECT_EQ(lines("link valve"), valves);

    ASSERT_EQ(Count(svg, "class=\"figure-layer\""), data.figures.size());
    std::size_t dots = 0;
    for (const std::string& d : PathsOf(svg, "dots")) dots += ParsePath(d).size();
    EXPECT_EQ(dots, data.figures.size() * (data.nodes.size() - 1));
    EXPECT_EQ(Count(svg, "display=\"none\""), data.figures.size() - 1 + 1);  // other figures, the focus mark

    EXPECT_EQ(Count(svg, "href=\"#sym-reservoir\""), 2u);
    EXPECT_EQ(Count(svg, "href=\"#sym-tank\""), 3u);
    EXPECT_EQ(Count(svg, "href=\"#sym-pump\""), pumps);
    EXPECT_EQ(Count(svg, "href=\"#sym-valve\""), valves);
    EXPECT_EQ(Count(svg, "class=\"sensor\""), data.sensors.size() - 1);
    EXPECT_EQ(Count(svg, "data-node=\"3\""), 0u);
}

TEST(MapSvg, DotsTakeTheColourOfTheirClass) {
    ReportData data = Nodes({{0, 0}, {10, 0}, {20, 0}, {30, 0}});
    data.figures.push_back({"f", "", {0, 0.1, 1, kNoValue}, true});
    FigureScale scale = ScaleFigure(data.figures[0]);
    auto frame = MapFrame::Fit(data);
    std::string svg;
    AppendMapSvg(svg, data, *frame, {scale});
    auto dotsIn = [&](std::string_view colour) {
        std::string key = "stroke=\"" + std::string(colour) + "\" d=\"";
        std::size_t at = svg.find(key);
        return at == std::string::npos ? 0 : ParsePath(svg.substr(at + key.size(), svg.find('"', at + key.size()) - at - key.size())).size();
    };
    EXPECT_EQ(dotsIn(scale.colours[scale.ClassOf(0)]), 2u);
    EXPECT_EQ(dotsIn(scale.colours[scale.ClassOf(1)]), 1u);
    EXPECT_EQ(dotsIn(kNoValueColour), 1u);
}

}  // namespace
