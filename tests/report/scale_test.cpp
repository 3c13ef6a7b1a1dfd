// Number text, round scale steps and the colour classes built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <set>

#include "report/figure_scale.h"
#include "base/number_text.h"
#include "report/scale_ticks.h"

namespace {

using namespace report;

std::string Hundredths(int v) {
    std::string out;
    base::AppendHundredths(out, v);
    return out;
}

TEST(NumberText, HundredthsAreShortAndExact) {
    EXPECT_EQ(Hundredths(12345), "123.45");
    EXPECT_EQ(Hundredths(1250), "12.5");
    EXPECT_EQ(Hundredths(5), "0.05");
    EXPECT_EQ(Hundredths(-5), "-0.05");
    EXPECT_EQ(Hundredths(-300), "-3");
    EXPECT_EQ(Hundredths(0), "0");
    for (int v = -100050; v <= 100050; v += 7) {
        std::string text = Hundredths(v);
        ASSERT_EQ(std::lround(std::strtod(text.c_str(), nullptr) * 100), v) << text;
        ASSERT_NE(text.back(), '.');
        if (text.find('.') != std::string::npos) {
            ASSERT_NE(text.back(), '0') << text;
        }
    }
}

TEST(NumberText, SignificantDigitsRoundTrip) {
    EXPECT_EQ(base::PlainSignificantText(371.88612, 6), "371.886");
    EXPECT_EQ(base::PlainSignificantText(0.85, 6), "0.85");
    EXPECT_EQ(base::PlainSignificantText(1440, 6), "1440");
    EXPECT_EQ(base::PlainSignificantText(-0.0, 6), "0");
    EXPECT_EQ(base::PlainSignificantText(1.2345e-5, 3), "1.23e-05");
    std::mt19937 random(7);
    std::uniform_real_distribution<double> exponent(-4, 14), mantissa(1, 10);
    for (int i = 0; i < 2000; ++i) {
        double value = mantissa(random) * std::pow(10, std::floor(exponent(random))) * (i % 2 ? -1 : 1);
        for (int digits : {4, 6}) {
            double back = std::strtod(base::PlainSignificantText(value, digits).c_str(), nullptr);
            ASSERT_LE(std::fabs(back - value), 0.5000001 * std::pow(10, 1 - digits) * std::fabs(value))
                << value << " with " << digits << " digits";
        }
    }
}

TEST(NumberText, CountsGetThousandsSeparators) {
    EXPECT_EQ(base::GroupedCountText(16338), "16,338");
    EXPECT_EQ(base::GroupedCountText(999), "999");
    EXPECT_EQ(base::GroupedCountText(1000000), "1,000,000");
    EXPECT_EQ(base::GroupedCountText(-21048), "-21,048");
    EXPECT_EQ(base::GroupedCountText(0), "0");
}

TEST(ScaleTicks, NiceStepsAreRoundAndJustLargeEnough) {
    EXPECT_EQ(NiceStep(0.17), 0.2);
    EXPECT_EQ(NiceStep(230), 250);
    EXPECT_EQ(NiceStep(3), 5);
    EXPECT_EQ(NiceStep(5.01), 10);
    std::set<double> mantissas = {1, 2, 2.5, 5, 10};
    for (double rough = 1e-3; rough < 1e6; rough *= 1.37) {
        double step = NiceStep(rough);
        double power = std::pow(10, std::floor(std::log10(rough)));
        ASSERT_GE(step, rough * (1 - 1e-9));
        ASSERT_LE(step, 2.0 * rough * (1 + 1e-9)) << rough;
        ASSERT_TRUE(mantissas.count(std::round(step / power * 1e6) / 1e6)) << rough << " -> " << step;
    }
}

TEST(ScaleTicks, DecimalsWriteEveryMultipleExactly) {
    EXPECT_EQ(DecimalsFor(5), 0);
    EXPECT_EQ(DecimalsFor(0.2), 1);
    EXPECT_EQ(DecimalsFor(2.5), 1);
    EXPECT_EQ(DecimalsFor(0.25), 2);
    EXPECT_EQ(DecimalsFor(0.0005), 4);
}

TEST(ScaleTicks, TicksCoverTheRangeOnMultiplesOfTheStep) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> start(-1000, 1000), width(1e-3, 5000);
    for (int i = 0; i < 1000; ++i) {
        double low = start(random), high = low + width(random);
        Ticks ticks = NiceTicks(low, high, 5);
        ASSERT_LE(ticks.first, low);
        ASSERT_GE(ticks.Last(), high - 1e-9 * std::fabs(high));
        ASSERT_GT(ticks.first + ticks.step, low - 1e-9 * std::fabs(low));  // no spare tick below
        ASSERT_NEAR(ticks.first / ticks.step, std::round(ticks.first / ticks.step), 1e-6);
        ASSERT_GE(ticks.count, 3);
        ASSERT_LE(ticks.count, 7);
    }
    Ticks single = NiceTicks(42, 42, 5);
    EXPECT_LT(single.first, 42);
    EXPECT_GT(single.Last(), 42);
}

NodeFigure Figure(std::vector<double> values, bool higherIsBetter = true) {
    return NodeFigure{"f", "", std::move(values), higherIsBetter};
}

TEST(FigureScale, EveryValueFallsInAClassThatHoldsIt) {
    std::mt19937 random(11);
    for (double spread : {1.0, 0.013, 870.0, 1e6}) {
        std::uniform_real_distribution<double> value(-spread / 3, spread);
        std::vector<double> values(500);
        for (double& v : values) v = value(random);
        FigureScale scale = ScaleFigure(Figure(values));
        ASSERT_GE(scale.Classes(), 2);
        ASSERT_LE(scale.Classes(), 7);
        ASSERT_EQ(scale.limits.size(), scale.colours.size() + 1);
        for (double v : values) {
            int c = scale.ClassOf(v);
            ASSERT_GE(c, 0);
            ASSERT_LE(scale.limits[c], v);
            if (c + 1 < scale.Classes())
                ASSERT_LT(v, scale.limits[c + 1]);
            else
                ASSERT_LE(v, scale.limits[c + 1]);
        }
        EXPECT_FALSE(scale.hasMissing);
    }
}

TEST(FigureScale, ClassesOfAPercentage) {
    FigureScale scale = ScaleFigure(Figure({0, 12.5, 40, 99.9, 100, report::kNoValue}));
    ASSERT_EQ(scale.Classes(), 5);
    EXPECT_EQ(scale.Label(0), "0 \u2013 20");
    EXPECT_EQ(scale.Label(4), "80 \u2013 100");
    EXPECT_EQ(scale.ClassOf(40), 2);  // a limit belongs to the class above it
    EXPECT_EQ(scale.ClassOf(100), 4);  // except the top one
    EXPECT_EQ(scale.ClassOf(report::kNoValue), -1);
    EXPECT_TRUE(scale.hasMissing);
}

TEST(FigureScale, BetterEndIsBlueWhicheverWayTheFigureCounts) {
    FigureScale higher = ScaleFigure(Figure({0, 1}, true));
    FigureScale lower = ScaleFigure(Figure({0, 1}, false));
    ASSERT_EQ(higher.Classes(), lower.Classes());
    int last = higher.Classes() - 1;
    EXPECT_EQ(higher.colours[last], lower.colours[0]);
    EXPECT_EQ(higher.colours[0], lower.colours[last]);
    EXPECT_NE(higher.colours[0], higher.colours[last]);
}

TEST(FigureScale, SingleValueAndNoValues) {
    FigureScale same = ScaleFigure(Figure({0.75, 0.75, report::kNoValue}));
    ASSERT_EQ(same.Classes(), 1);
    EXPECT_EQ(same.ClassOf(0.75), 0);
    EXPECT_EQ(same.Label(0), "0.75");
    FigureScale none = ScaleFigure(Figure({report::kNoValue, INFINITY}));
    EXPECT_EQ(none.Classes(), 0);
    EXPECT_TRUE(none.hasMissing);
    EXPECT_EQ(none.ClassOf(1), -1);
}

}  // namespace
