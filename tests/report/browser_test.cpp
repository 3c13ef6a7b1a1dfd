// The page in a real browser: headless Chromium loads it, runs its script,
// and the DOM it dumps tells what was drawn (the script records counts and
// sizes in data-* attributes of the body). Skipped where Chromium is
// missing or cannot start.
#include <gtest/gtest.h>

#include <cctype>

#include "headless_browser.h"
#include "base/atomic_file.h"
#include "report/figure_scale.h"
#include "report/render_html.h"
#include "support/prerequisite.h"
#include "support/test_support.h"
#include "synthetic_network.h"

namespace {

using report::ReportData;
using testing_support::AttributeOf;
using testing_support::HeadlessBrowser;

class InBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        browser_ = HeadlessBrowser::Find();
        if (!browser_) TESMAR_PREREQUISITE_MISSING("no Chromium at /usr/bin/chromium or $TESMAR_CHROMIUM");
    }

    // Renders and loads the page; dom is what the browser has after the
    // page's script ran. Skips the test (fails it in CI) when Chromium cannot run here at all.
    void Load(const ReportData& data, const std::string& fragment, std::string& dom) {
        std::string path = folder_.File("report.html");
        base::WriteFileAtomically(path, report::RenderHtml(data));
        auto run = browser_->DumpDom(testing_support::FileUrl(path, fragment));
        if (!run.ok) {
            if (auto problem = browser_->Unusable()) TESMAR_PREREQUISITE_MISSING("Chromium cannot run here: " << *problem);
            ADD_FAILURE() << run.problem;
        }
        EXPECT_EQ(Body(run.output, "ready"), "1") << "the page's script did not finish";
        EXPECT_FALSE(AttributeOf(run.output, "<body", "data-error")) << *AttributeOf(run.output, "<body", "data-error");
        dom = run.output;
    }

    static std::string Body(const std::string& dom, const std::string& name) {
        return AttributeOf(dom, "<body", "data-" + name).value_or("(missing)");
    }

    static int Number(const std::string& dom, const std::string& name) {
        std::string text = Body(dom, name);
        return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoi(text) : -1;
    }

    std::optional<HeadlessBrowser> browser_;
    testing_support::ScratchFolder folder_;
};

// Legend lines of a figure: its classes and one for nodes without a value.
int LegendLines(const report::NodeFigure& figure) {
    report::FigureScale scale = report::ScaleFigure(figure);
    return scale.Classes() + (scale.hasMissing ? 1 : 0);
}

std::string PercentEncoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += "0123456789ABCDEF"[c >> 4];
            out += "0123456789ABCDEF"[c & 15];
        }
    }
    return out;
}

TEST_F(InBrowser, DrawsTheMapSensorsLegendAndCurve) {
    ReportData data = testing_support::SyntheticReport(testing_support::SmallNetwork());
    std::string dom;
    Load(data, "", dom);
    if (IsSkipped()) return;
    EXPECT_EQ(Body(dom, "map"), "drawn");
    EXPECT_EQ(Number(dom, "map-nodes"), static_cast<int>(data.nodes.size()));
    EXPECT_EQ(Number(dom, "map-links"), static_cast<int>(data.links.size()));
    EXPECT_EQ(Number(dom, "map-symbols"), 2 + 3 + 2 + 3);  // reservoirs, tanks, pumps, valves
    EXPECT_EQ(Number(dom, "map-sensors"), static_cast<int>(data.sensors.size()));
    EXPECT_EQ(Number(dom, "sensors-in-view"), static_cast<int>(data.sensors.size()));
    EXPECT_EQ(Number(dom, "legend-classes"), LegendLines(data.figures[0]));
    EXPECT_EQ(Number(dom, "curve-points"), static_cast<int>(data.curve->size()));
    EXPECT_EQ(Body(dom, "figure"), "0");
    std::string size = Body(dom, "map-size");
    std::size_t by = size.find('x');
    ASSERT_NE(by, std::string::npos) << size;
    EXPECT_GT(std::stoi(size.substr(0, by)), 400) << size;
    EXPECT_GT(std::stoi(size.substr(by + 1)), 200) << size;
    for (int s : data.sensors)
        EXPECT_NE(dom.find(">" + data.nodes[s].id + "</text>"), std::string::npos) << data.nodes[s].id;
}

TEST_F(InBrowser, ShowsTheFigureNamedInTheAddress) {
    ReportData data = testing_support::SyntheticReport(testing_support::SmallNetwork());
    ASSERT_NE(LegendLines(data.figures[0]), LegendLines(data.figures[1]) + 100);
    std::string dom;
    Load(data, "figure=1", dom);
    if (IsSkipped()) return;
    EXPECT_EQ(Body(dom, "figure"), "1");
    EXPECT_EQ(Number(dom, "legend-classes"), LegendLines(data.figures[1]));
    EXPECT_EQ(Number(dom, "map-nodes"), static_cast<int>(data.nodes.size()));
    EXPECT_EQ(Body(dom, "figure-shown-in-choice"), "1");
}

TEST_F(InBrowser, FindsANodeWithAHostileIdAndShowsItsFigures) {
    ReportData data = testing_support::SyntheticReport(testing_support::SmallNetwork());
    const std::string id = "<img src=x onerror=alert(1)>&\"'</script>";
    int node = 40;
    data.nodes[node].id = id;
    data.figures[0].values[node] = 42.5;
    data.figures[1].values[node] = report::kNoValue;
    std::string dom;
    Load(data, "node=" + PercentEncoded(id), dom);
    if (IsSkipped()) return;
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    std::string tooltip = Body(dom, "tooltip");
    EXPECT_EQ(tooltip, id + "JunctionEvents detected: 42.5 %Mean time to detection: no value");
}

TEST_F(InBrowser, ReportWithOnlyTheNetworkStillWorks) {
    ReportData full = testing_support::SyntheticReport(testing_support::SmallNetwork());
    ReportData data;
    data.nodes = full.nodes;
    data.links = full.links;
    std::string dom;
    Load(data, "figure=3&node=nothing", dom);
    if (IsSkipped()) return;
    EXPECT_EQ(Body(dom, "map"), "drawn");
    EXPECT_EQ(Number(dom, "map-nodes"), static_cast<int>(data.nodes.size()));
    EXPECT_EQ(Number(dom, "map-sensors"), 0);
    EXPECT_EQ(Number(dom, "curve-points"), 0);
    EXPECT_EQ(Body(dom, "figure"), "0");
    EXPECT_NE(dom.find("No node with ID \u201cnothing\u201d."), std::string::npos);
}

TEST_F(InBrowser, WithoutCoordinatesTheRestIsStillThere) {
    ReportData data = testing_support::WithoutCoordinates(testing_support::SyntheticReport(testing_support::SmallNetwork()));
    std::string dom;
    Load(data, "", dom);
    if (IsSkipped()) return;
    EXPECT_EQ(Body(dom, "map"), "none");
    EXPECT_NE(dom.find("id=\"no-map\""), std::string::npos);
    EXPECT_EQ(Number(dom, "curve-points"), static_cast<int>(data.curve->size()));
    EXPECT_EQ(Body(dom, "map-nodes"), "(missing)");
}

}  // namespace
