// The map under real input in headless Chromium: dragging, the wheel,
// hovering, the figure choice and the find box, driven through the
// DevTools protocol. Skipped where Chromium is missing or cannot start.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>

#include "devtools_session.h"
#include "base/atomic_file.h"
#include "report/render_html.h"
#include "support/prerequisite.h"
#include "support/test_support.h"
#include "synthetic_network.h"

namespace {

using testing_support::DevToolsSession;

struct Point {
    double x, y;
};

class MapInput : public ::testing::Test {
protected:
    void SetUp() override {
        auto browser = testing_support::HeadlessBrowser::Find();
        if (!browser) TESMAR_PREREQUISITE_MISSING("no Chromium at /usr/bin/chromium or $TESMAR_CHROMIUM");
        data_ = testing_support::SyntheticReport(testing_support::SmallNetwork());
        std::string path = folder_.File("report.html");
        base::WriteFileAtomically(path, report::RenderHtml(data_));
        std::string problem;
        page_ = DevToolsSession::Open(*browser, testing_support::FileUrl(path), 1400, 1000, problem);
        if (!page_) TESMAR_PREREQUISITE_MISSING("Chromium cannot be driven here: " << problem);
    }

    // Where node n is on the screen now, from its canvas position and the
    // transform the browser applies to the map's drawing.
    Point NodeOnScreen(int n) {
        std::string at = page_->Text(
            "(() => { const d = JSON.parse(document.getElementById('report-data').textContent);"
            " const p = new DOMPoint(d.xy[" + std::to_string(2 * n) + "], d.xy[" + std::to_string(2 * n + 1) +
            "]).matrixTransform(document.getElementById('map-view').getScreenCTM());"
            " return p.x + ' ' + p.y; })()");
        std::size_t space = at.find(' ');
        return {std::stod(at.substr(0, space)), std::stod(at.substr(space + 1))};
    }

    std::string Transform() { return page_->Text("document.getElementById('map-view').getAttribute('transform')"); }
    std::string Tooltip() { return page_->Text("document.getElementById('tooltip').hidden ? '' : document.getElementById('tooltip').textContent"); }
    void Wait(int ms) { page_->Evaluate("new Promise(r => setTimeout(r, " + std::to_string(ms) + "))"); }

    report::ReportData data_;
    testing_support::ScratchFolder folder_;
    std::unique_ptr<DevToolsSession> page_;
};

TEST_F(MapInput, DraggingMovesThePictureAndRedrawsOnRelease) {
    int node = data_.sensors[2];
    Point before = NodeOnScreen(node);
    std::string drawnBefore = Transform();
    page_->Mouse("mousePressed", before.x, before.y, true);
    for (int step = 1; step <= 10; ++step) page_->Mouse("mouseMoved", before.x + 12 * step, before.y + 6 * step, true);
    Wait(100);
    // While dragging only the drawn picture moves; the drawing is unchanged.
    EXPECT_EQ(Transform(), drawnBefore);
    EXPECT_NE(page_->Text("document.getElementById('map').style.transform"), "");
    page_->Mouse("mouseReleased", before.x + 120, before.y + 60, false);
    EXPECT_EQ(page_->Text("document.getElementById('map').style.transform"), "");
    EXPECT_NE(Transform(), drawnBefore);
    Point after = NodeOnScreen(node);
    EXPECT_NEAR(after.x, before.x + 120, 1.0);
    EXPECT_NEAR(after.y, before.y + 60, 1.0);
    // The drawing takes no pointer events of its own, yet a press on it
    // gives the map the keys.
    EXPECT_EQ(page_->Text("document.activeElement.id"), "map-box");
    page_->ArrowKey("ArrowLeft", 37);
    Point keyed = NodeOnScreen(node);
    const double viewBoxToScreen = page_->Number("document.getElementById('map').getScreenCTM().a");
    EXPECT_NEAR(keyed.x - after.x, 80 * viewBoxToScreen, 1.0);
    EXPECT_NEAR(keyed.y, after.y, 1.0);
}

TEST_F(MapInput, WheelZoomsAroundThePointer) {
    int node = data_.sensors[1];
    Point under = NodeOnScreen(node);
    Point other = NodeOnScreen(data_.sensors[3]);
    for (int i = 0; i < 3; ++i) page_->Wheel(under.x, under.y, -100);
    Wait(600);  // the gesture settles and the map is redrawn
    EXPECT_EQ(page_->Text("document.getElementById('map').style.transform"), "");
    Point still = NodeOnScreen(node);
    EXPECT_NEAR(still.x, under.x, 1.0);
    EXPECT_NEAR(still.y, under.y, 1.0);
    Point moved = NodeOnScreen(data_.sensors[3]);
    double zoom = std::hypot(moved.x - still.x, moved.y - still.y) / std::hypot(other.x - under.x, other.y - under.y);
    EXPECT_NEAR(zoom, std::exp(300 * 0.0015), 0.01);
}

TEST_F(MapInput, PointingAtANodeShowsItsFiguresAndClickingKeepsThem) {
    int node = data_.sensors[0];
    Point at = NodeOnScreen(node);
    // The map's corner lies in its margin, away from every node.
    Point empty{page_->Number("document.getElementById('map').getBoundingClientRect().left + 5"),
                page_->Number("document.getElementById('map').getBoundingClientRect().top + 5")};
    page_->Mouse("mouseMoved", at.x + 4, at.y - 3, false);
    std::string tip = Tooltip();
    EXPECT_EQ(tip.rfind(data_.nodes[node].id + "Junction \u00b7 chosen sensor", 0), 0u) << tip;
    page_->Mouse("mouseMoved", empty.x, empty.y, false);
    EXPECT_EQ(Tooltip(), "");
    page_->Mouse("mousePressed", at.x, at.y, true);
    page_->Mouse("mouseReleased", at.x, at.y, false);
    page_->Mouse("mouseMoved", empty.x, empty.y, false);
    EXPECT_EQ(Tooltip().rfind(data_.nodes[node].id, 0), 0u) << "a clicked node's figures stay";
    EXPECT_EQ(page_->Evaluate("document.getElementById('focus-mark').hasAttribute('display')"), "false");
    // The kept figures follow their node when the view changes.
    page_->Evaluate("document.getElementById('zoom-out').click()");
    Point moved = NodeOnScreen(node);
    ASSERT_GT(std::hypot(moved.x - at.x, moved.y - at.y), 10);
    double left = page_->Number("document.getElementById('tooltip').getBoundingClientRect().left");
    double right = page_->Number("document.getElementById('tooltip').getBoundingClientRect().right");
    EXPECT_TRUE(std::fabs(left - (moved.x + 14)) < 1 || std::fabs(right - (moved.x - 14)) < 1)
        << left << " " << right << " node at " << moved.x;
}

TEST_F(MapInput, FigureChoiceAndFindBox) {
    page_->Evaluate("(() => { const s = document.getElementById('figure-select'); s.value = '1';"
                    " s.dispatchEvent(new Event('change')); return 0; })()");
    EXPECT_EQ(page_->Text("document.body.dataset.figure"), "1");
    EXPECT_EQ(page_->Text("document.querySelector('.figure-layer[data-figure=\"0\"]').getAttribute('display')"), "none");
    EXPECT_EQ(page_->Evaluate("document.querySelector('.figure-layer[data-figure=\"1\"]').hasAttribute('display')"), "false");
    EXPECT_EQ(page_->Evaluate("document.querySelector('.legend-figure[data-figure=\"1\"]').hidden"), "false");

    int node = 77;
    page_->Evaluate("(() => { document.getElementById('find-input').value = '" + data_.nodes[node].id + "';"
                    " document.getElementById('find-form').requestSubmit(); return 0; })()");
    EXPECT_EQ(Tooltip().rfind(data_.nodes[node].id + "Junction", 0), 0u) << Tooltip();
    Point centre = NodeOnScreen(node);
    double boxX = page_->Number("(() => { const r = document.getElementById('map').getBoundingClientRect(); return r.left + r.width / 2; })()");
    EXPECT_NEAR(centre.x, boxX, 1.0);
    // Letter case is ignored, as on the command line.
    int other = 12;
    std::string typed = data_.nodes[other].id;
    for (char& c : typed) c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) ? std::toupper(c) : std::tolower(c));
    ASSERT_NE(typed, data_.nodes[other].id);
    page_->Evaluate("(() => { document.getElementById('find-input').value = '" + typed + "';"
                    " document.getElementById('find-form').requestSubmit(); return 0; })()");
    EXPECT_EQ(Tooltip().rfind(data_.nodes[other].id, 0), 0u) << Tooltip();
    page_->Evaluate("(() => { document.getElementById('find-input').value = 'no such node';"
                    " document.getElementById('find-form').requestSubmit(); return 0; })()");
    EXPECT_EQ(page_->Text("document.getElementById('find-status').textContent"),
              "No node with ID \u201cno such node\u201d.");
}

}  // namespace
