// Times the report renderer on a made-up network of network 2's size
// (16,338 nodes, 21,048 links) and, when headless Chromium runs here, how
// long the browser takes to load and paint the page and how smoothly the
// map follows a drag and the wheel.
//
//   report_bench [rounds] [--keep FILE]
//
// --keep also writes the page to FILE, e.g. for a screenshot with
// tools/report_screenshot.sh.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devtools_session.h"
#include "headless_browser.h"
#include "base/atomic_file.h"
#include "report/render_html.h"
#include "synthetic_network.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBrowserRounds = 3;

double Milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double TimeMedian(int rounds, const std::function<void()>& run) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        auto start = Clock::now();
        run();
        times.push_back(Milliseconds(start));
    }
    return Median(times);
}

void RenderFigures(const char* name, const report::ReportData& data, int rounds) {
    std::string html;
    double render = TimeMedian(rounds, [&] { html = report::RenderHtml(data); });
    std::size_t vertices = 0;
    for (const auto& link : data.links) vertices += link.vertices.size();
    std::printf("%-10s %6zu nodes %6zu links %5zu vertices  page %6.2f MB  render %7.1f ms (median of %d)\n", name,
                data.nodes.size(), data.links.size(), vertices, static_cast<double>(html.size()) / 1e6, render,
                rounds);
}

// Loading: the whole browser run for the report against the same run for
// an empty page, so start-up and shut-down cancel out.
void LoadFigures(const testing_support::HeadlessBrowser& browser, const std::string& page,
                 const std::string& empty) {
    std::vector<double> init;
    double dom = TimeMedian(kBrowserRounds, [&] {
        auto run = browser.DumpDom(testing_support::FileUrl(page));
        if (auto ms = testing_support::AttributeOf(run.output, "<body", "data-init-ms")) init.push_back(std::stod(*ms));
    });
    double emptyDom = TimeMedian(kBrowserRounds, [&] { browser.DumpDom(testing_support::FileUrl(empty)); });
    std::string png = fs::path(page).replace_extension(".png").string();
    double shot = TimeMedian(kBrowserRounds, [&] { browser.Screenshot(testing_support::FileUrl(page), png, 1400, 1000); });
    double emptyShot =
        TimeMedian(kBrowserRounds, [&] { browser.Screenshot(testing_support::FileUrl(empty), png, 1400, 1000); });
    std::printf("Chromium   load and run the script %7.0f ms (run %.0f ms, empty page %.0f ms); script start-up %.0f ms\n",
                dom - emptyDom, dom, emptyDom, Median(init));
    std::printf("Chromium   load and paint          %7.0f ms (screenshot run %.0f ms, empty page %.0f ms)\n",
                shot - emptyShot, shot, emptyShot);
}

// Frame intervals recorded in the page while `gesture` runs, then the
// longest frame within a second after it (the map redrawn at the new view).
struct FrameFigures {
    double median = 0, p90 = 0, worst = 0, settle = 0;
};

FrameFigures Frames(testing_support::DevToolsSession& page, const std::function<void()>& gesture) {
    page.Evaluate("(() => { const frames = [], run = {on: true}; window.benchFrames = frames;"
                  " window.benchStop = () => { run.on = false; };"
                  " const tick = t => { frames.push(t); if (run.on) requestAnimationFrame(tick); };"
                  " requestAnimationFrame(tick); return 0; })()");
    page.Evaluate("new Promise(r => setTimeout(r, 300))");
    page.Evaluate("window.benchMark = benchFrames.length");
    gesture();
    page.Evaluate("window.benchEnd = benchFrames.length");
    page.Evaluate("new Promise(r => setTimeout(r, 1200))");
    page.Evaluate("benchStop()");
    auto statistic = [&](const std::string& expression) { return page.Number(expression); };
    std::string intervals = "benchFrames.slice(benchMark, benchEnd).map((t, i, a) => i ? t - a[i - 1] : 0).slice(1)"
                            ".sort((a, b) => a - b)";
    FrameFigures figures;
    figures.median = statistic("(a => a[Math.floor(a.length / 2)])(" + intervals + ")");
    figures.p90 = statistic("(a => a[Math.floor(a.length * 0.9)])(" + intervals + ")");
    figures.worst = statistic("(a => a[a.length - 1])(" + intervals + ")");
    figures.settle = statistic("Math.max(...benchFrames.slice(benchEnd - 1).map((t, i, a) => i ? t - a[i - 1] : 0))");
    return figures;
}

void Pace() { std::this_thread::sleep_for(std::chrono::milliseconds(16)); }

void GestureFigures(const testing_support::HeadlessBrowser& browser, const std::string& page) {
    std::string problem;
    auto session = testing_support::DevToolsSession::Open(browser, testing_support::FileUrl(page), 1400, 1000, problem);
    if (!session) {
        std::printf("Chromium   cannot be driven here: %s\n", problem.c_str());
        return;
    }
    double x = session->Number("(r => r.left + r.width / 2)(document.getElementById('map').getBoundingClientRect())");
    double y = session->Number("(r => r.top + r.height / 2)(document.getElementById('map').getBoundingClientRect())");
    FrameFigures drag = Frames(*session, [&] {
        session->Mouse("mousePressed", x, y, true);
        for (int step = 1; step <= 90; ++step) {
            session->Mouse("mouseMoved", x + 3 * step, y + 2 * step, true);
            Pace();
        }
        session->Mouse("mouseReleased", x + 270, y + 180, false);
    });
    FrameFigures wheel = Frames(*session, [&] {
        for (int step = 0; step < 30; ++step) {
            session->Wheel(x, y, -40);
            Pace();
        }
    });
    auto print = [](const char* what, const FrameFigures& f) {
        std::printf("Chromium   %-5s frames: median %5.1f ms, 90 %% %5.1f ms, worst %6.1f ms; redraw after it %6.1f ms\n",
                    what, f.median, f.p90, f.worst, f.settle);
    };
    print("drag", drag);
    print("wheel", wheel);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else
            rounds = std::max(1, std::atoi(argv[i]));
    }
    report::ReportData small = testing_support::SyntheticReport(testing_support::SmallNetwork());
    report::ReportData large = testing_support::SyntheticReport(testing_support::LargeNetwork());
    RenderFigures("network 1", small, rounds * 10);
    RenderFigures("network 2", large, rounds);

    std::string html = report::RenderHtml(large);
    fs::path folder = fs::temp_directory_path() / "tesmar-report-bench";
    fs::create_directories(folder);
    std::string page = (folder / "network2.html").string();
    double write = TimeMedian(rounds, [&] { base::WriteFileAtomically(page, html); });
    std::printf("write      %.1f ms (temporary file, flushed to disk, renamed)\n", write);
    if (!keep.empty()) base::WriteFileAtomically(keep, html);

    auto browser = testing_support::HeadlessBrowser::Find();
    std::optional<std::string> problem = browser ? browser->Unusable() : std::optional<std::string>("not installed");
    if (problem) {
        std::printf("Chromium   not measured: %s\n", problem->c_str());
        return 0;
    }
    std::string empty = (folder / "empty.html").string();
    base::WriteFileAtomically(empty, "<!DOCTYPE html><title>empty</title>");
    LoadFigures(*browser, page, empty);
    GestureFigures(*browser, page);
    fs::remove_all(folder);
    return 0;
}
