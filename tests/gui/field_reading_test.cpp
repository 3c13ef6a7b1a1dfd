// Reading the window's fields and deriving the expected event count.
#include <gtest/gtest.h>

#include <limits>

#include "builder/run_parameters.h"
#include "builder/window/build_settings.h"
#include "builder/window/field_reading.h"
#include "network/netload.h"

namespace {

using namespace builder::window;

TEST(FieldReading, TakesTheLongestLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5}, {"  7 apples", 7}, {"\t4", 4},   {"-.5", -0.5}, {"+3", 3},     {"1.5E3x", 1500},
        {"2e", 2},      {"1e+", 1},        {"1,5", 1},   {"3.-", 3},    {"1e-999", 0}, {"abc", 0},
        {"", 0},        {"   ", 0},        {".", 0},     {"-", 0},      {"e5", 0},     {"x12", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(FieldNumber(text), value) << '"' << text << '"';
    EXPECT_EQ(FieldNumber("-1e999"), -std::numeric_limits<double>::infinity());
}

TEST(FieldReading, IntegersRoundHalfToEvenWithinThirtyTwoBits) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12.5", 12}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2.51", 3}, {"abc", 0},
        {"2147483647.4", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648.5", std::numeric_limits<std::int32_t>::min()}};
    for (const auto& [text, value] : cases) EXPECT_EQ(FieldInt32(text, "f"), value) << text;
}

TEST(FieldReading, RefusesValuesBeyondTheirRangeNamingTheField) {
    for (const char* text : {"2147483648", "2147483647.5", "-2147483649", "1e999", "-1e10"}) {
        try {
            FieldInt32(text, "Random events");
            ADD_FAILURE() << text << " was accepted";
        } catch (const FieldError& e) {
            EXPECT_NE(std::string(e.what()).find("Random events"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(FieldSingle("0.34", "Beta:"), 0.34f);
    EXPECT_EQ(FieldSingle("1e-60", "Beta:"), 0.0f);
    EXPECT_THROW(FieldSingle("1e39", "Beta:"), FieldError);
    EXPECT_THROW(FieldSingle("-4e38", "Beta:"), FieldError);
}

TEST(FieldReading, AFieldBeyondRangeChangesNoParameter) {
    FieldTexts texts = DefaultFieldTexts();
    texts.Text3 = "5e9";
    builder::RunParameters parameters;
    parameters.MaxSimDuration = 7;
    EXPECT_THROW(ApplyFields(ReadFields(texts), parameters), FieldError);
    EXPECT_EQ(parameters.MaxSimDuration, 7);  // read before the random event count
}

TEST(ExpectedEventCount, AllNodesAndAllTimesRoundsOnceAtTheEnd) {
    const builder::RunParameters parameters;
    // 3600 / 7 x 2208 = 1135542.86
    EXPECT_EQ(ExpectedEventCount(builder::EventMode::AllNodesAllTimes, 92, 7, parameters), 1135543);
    EXPECT_EQ(ExpectedEventCount(builder::EventMode::AllNodesRepeated, 92, 7, parameters), 184);
}

TEST(ExpectedEventCount, RefusesACountBeyondThirtyTwoBits) {
    builder::RunParameters parameters;
    parameters.RepeatCount = 30000000;
    EXPECT_THROW(ExpectedEventCount(builder::EventMode::AllNodesRepeated, 92, 300, parameters), FieldError);
    // 3600 x 720000 events
    EXPECT_THROW(ExpectedEventCount(builder::EventMode::AllNodesAllTimes, 30000, 1, parameters), FieldError);
}

}  // namespace
