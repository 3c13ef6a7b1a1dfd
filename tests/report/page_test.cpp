// The page as text: escaping of users' text, self-containedness, the parts
// shown for what the data holds, and the size for a network 2 sized network.
#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "report/content_policy.h"
#include "report/render_html.h"
#include "synthetic_network.h"

namespace {

using report::RenderHtml;
using report::ReportData;
using testing_support::SmallNetwork;
using testing_support::SyntheticReport;

constexpr std::size_t kSizeLimit = 10'000'000;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST(Page, UsersTextCannotBreakOutOfItsPlace) {
    const std::string evil = "</script><script>alert(1)</script><b x='y'>&amp;\"";
    ReportData data = SyntheticReport(SmallNetwork());
    data.nodes[data.sensors[0]].id = evil;
    data.title = data.networkName = data.objectiveLabel = evil;
    data.figures[0].name = data.figures[0].unit = evil;
    data.fitnessLines.push_back(evil);
    data.tailFigures.push_back({evil, evil});
    data.manifest.push_back({evil, evil});
    data.notes.push_back(evil);
    data.generated = evil;
    std::string html = RenderHtml(data);
    EXPECT_EQ(Count(html, "<script"), 2u);  // the data block and the page's script
    EXPECT_EQ(Count(html, "</script"), 2u);
    EXPECT_FALSE(Has(html, "<b x"));
    EXPECT_TRUE(Has(html, "&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt;&lt;b x=&#39;y&#39;&gt;&amp;amp;&quot;"));
    EXPECT_TRUE(Has(html, "\\u003c/script\\u003e\\u003cscript\\u003ealert(1)"));
}

TEST(Page, FetchesNothingAndAllowsOnlyItsOwnScriptAndStyle) {
    std::string html = RenderHtml(SyntheticReport(SmallNetwork()));
    EXPECT_FALSE(Has(html, "http://"));
    EXPECT_FALSE(Has(html, "https://"));
    EXPECT_FALSE(Has(html, "@import"));
    EXPECT_FALSE(Has(html, "url("));
    EXPECT_FALSE(Has(html, "//cdn"));
    std::regex reference(R"((?:href|src|action)\s*=\s*"([^"]*)\")");
    std::size_t references = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), reference), end; it != end; ++it, ++references) {
        std::string target = (*it)[1];
        EXPECT_TRUE(target.rfind("#", 0) == 0 || target == "data:,") << target;
    }
    EXPECT_GT(references, 10u);  // the symbols' uses
    std::string policy = report::ContentSecurityPolicy();
    EXPECT_TRUE(Has(html, "<meta http-equiv=\"Content-Security-Policy\" content=\"" + policy + "\">"));
    EXPECT_TRUE(Has(policy, "default-src 'none'"));
    EXPECT_FALSE(Has(policy, "unsafe"));
    EXPECT_LT(html.find("Content-Security-Policy"), html.find("<style>"));
}

TEST(Page, HashSourcesAreBase64OfTheDigest) {
    // Test vectors of RFC 4648 given as hex bytes.
    EXPECT_EQ(report::HashSource(""), "sha256-");
    EXPECT_EQ(report::HashSource("66"), "sha256-Zg==");
    EXPECT_EQ(report::HashSource("666f"), "sha256-Zm8=");
    EXPECT_EQ(report::HashSource("666F6f"), "sha256-Zm9v");
    EXPECT_EQ(report::HashSource("666f6f626172"), "sha256-Zm9vYmFy");
    EXPECT_EQ(report::HashSource("fbff"), "sha256-+/8=");
    EXPECT_THROW(report::HashSource("6g"), std::invalid_argument);
}

TEST(Page, WithoutCoordinatesSaysSoAndShowsEverythingElse) {
    ReportData data = testing_support::WithoutCoordinates(SyntheticReport(SmallNetwork()));
    std::string html = RenderHtml(data);
    EXPECT_FALSE(Has(html, "<svg id=\"map\""));
    EXPECT_TRUE(Has(html, "This network has no node coordinates, so no map can be drawn."));
    EXPECT_TRUE(Has(html, "{\"map\":false}"));
    EXPECT_FALSE(Has(html, "id=\"legend\""));
    EXPECT_FALSE(Has(html, "data-node="));  // sensors cannot be found on a map
    for (const std::string& line : data.fitnessLines) EXPECT_TRUE(Has(html, line)) << line;
    EXPECT_TRUE(Has(html, "id=\"curve\""));
    EXPECT_TRUE(Has(html, "id=\"manifest\""));
    EXPECT_TRUE(Has(html, "<td>Junction</td>"));  // the sensor table

    data.nodes[0].x = data.nodes[1].x = 5;
    data.nodes[0].y = data.nodes[1].y = 5;
    EXPECT_TRUE(Has(RenderHtml(data), "All nodes of this network have the same coordinates"));
}

TEST(Page, NodesWithoutCoordinatesAreCounted) {
    ReportData data = SyntheticReport(SmallNetwork());
    int sensor = data.sensors[1];
    data.nodes[sensor].x = report::kNoValue;
    std::size_t links = 0;
    for (const auto& link : data.links) links += link.from == sensor || link.to == sensor;
    std::string html = RenderHtml(data);
    EXPECT_TRUE(Has(html, "1 of 150 nodes have no coordinates and are not on the map, nor are the " +
                              std::to_string(links) + " links that end at them."));
    EXPECT_TRUE(Has(html, "Sensor " + data.nodes[sensor].id + " has no coordinates"));
}

TEST(Page, ContradictoryDataIsRejected) {
    auto rejects = [](auto change, const std::string& words) {
        ReportData data = SyntheticReport(SmallNetwork());
        change(data);
        try {
            RenderHtml(data);
            ADD_FAILURE() << "accepted; expected: " << words;
        } catch (const std::invalid_argument& e) {
            EXPECT_TRUE(Has(e.what(), words)) << e.what();
        }
    };
    rejects([](ReportData& d) { d.figures[1].values.pop_back(); }, "has 149 values for 150 nodes");
    rejects([](ReportData& d) { d.links[7].to = 150; }, "link \"P8\" ends at node position 150 of 150 nodes");
    rejects([](ReportData& d) { d.links[0].from = -1; }, "ends at node position -1");
    rejects([](ReportData& d) { d.sensors.push_back(-2); }, "sensor at node position -2");
    rejects([](ReportData& d) { d.sensors.push_back(d.sensors[0]); }, "is chosen twice");
    rejects([](ReportData& d) { d.curve->push_back({-1, 1, 1}); }, "curve point with -1 sensors");
}

TEST(Page, ShowsOnlyThePartsTheDataHas) {
    ReportData data = SyntheticReport(SmallNetwork());
    std::string full = RenderHtml(data);
    for (const char* part : {"id=\"curve\"", "id=\"manifest\"", "id=\"fitness\"", "id=\"notes\"", "Tail figures"})
        EXPECT_TRUE(Has(full, part)) << part;
    data.curve.reset();
    data.manifest.clear();
    data.fitnessLines.clear();
    data.tailFigures.clear();
    data.notes.clear();
    std::string bare = RenderHtml(data);
    for (const char* part : {"id=\"curve\"", "id=\"manifest\"", "id=\"fitness\"", "id=\"notes\""})
        EXPECT_FALSE(Has(bare, part)) << part;
    data.curve.emplace();
    EXPECT_TRUE(Has(RenderHtml(data), "The optimisation gave no points."));
}

TEST(Page, CurveMarksEveryPointAndTheChosenSet) {
    ReportData data = SyntheticReport(SmallNetwork());
    data.curve = {{3, 500, 480}, {1, 900, 850}, {2, 700, report::kNoValue}, {5, 350, 340}, {4, report::kNoValue, 380}};
    std::string html = RenderHtml(data);
    EXPECT_EQ(Count(html, "class=\"pt-value"), 4u);
    EXPECT_EQ(Count(html, "class=\"pt-bound\""), 4u);
    EXPECT_EQ(Count(html, "class=\"pt-value pt-chosen\""), 1u);  // five sensors chosen
    EXPECT_TRUE(Has(html, "<title>5 sensors: 350, bound 340</title>"));
    EXPECT_TRUE(Has(html, "Mean time to detection (min)"));
    // The table lists the points by number of sensors, gaps relative to the value.
    std::size_t one = html.find("<td class=\"num\">1</td>"), two = html.find("<td class=\"num\">2</td>");
    ASSERT_NE(one, std::string::npos);
    EXPECT_LT(one, two);
    EXPECT_TRUE(Has(html, "<td class=\"num\">500</td><td class=\"num\">480</td><td class=\"num\">4.00 %</td>"));
}

TEST(Page, SameDataSamePage) {
    ReportData data = SyntheticReport(SmallNetwork());
    EXPECT_EQ(RenderHtml(data), RenderHtml(data));
}

TEST(Page, Network2SizedPageStaysSmallInBytesAndElements) {
    ReportData data = SyntheticReport(testing_support::LargeNetwork());
    std::string html = RenderHtml(data);
    EXPECT_LT(html.size(), kSizeLimit);
    EXPECT_TRUE(Has(html, "<b>16,338</b> nodes"));
    EXPECT_TRUE(Has(html, "<b>21,048</b> links"));
    // Elements grow with the sensors and the kinds of things drawn, not with the nodes.
    std::size_t elements = 0;
    for (std::size_t i = 0; i + 1 < html.size(); ++i)
        elements += html[i] == '<' && std::isalpha(static_cast<unsigned char>(html[i + 1]));
    EXPECT_LT(elements, 1500u);
}

}  // namespace
