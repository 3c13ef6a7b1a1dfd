#include <gtest/gtest.h>

#include "evaluator/result_text.h"

using namespace evaluator;

TEST(ResultText, FormatsThousandths) {
    EXPECT_EQ(FormatThousandths(0.85f), "0.85");
    EXPECT_EQ(FormatThousandths(1.0), "1.0");
    EXPECT_EQ(FormatThousandths(1.0 / 3.0), "0.333");
    EXPECT_EQ(FormatThousandths(2.0 / 3.0), "0.667");
    EXPECT_EQ(FormatThousandths(0.0), "0.0");
    EXPECT_EQ(FormatThousandths(412.5f), "412.5");
    EXPECT_EQ(FormatThousandths(1234567.0), "1234567.0");  // no digit grouping
    EXPECT_EQ(FormatThousandths(0.9996), "1.0");
    EXPECT_EQ(FormatThousandths(-0.0001), "0.0");
    // An exact tie rounds away from zero; just below a tie rounds down.
    EXPECT_EQ(FormatThousandths(0.0625f), "0.063");
    EXPECT_EQ(FormatThousandths(-0.0625f), "-0.063");
    EXPECT_EQ(FormatThousandths(0.0624999), "0.062");
    EXPECT_EQ(FormatThousandths(9.9995f), "10.0");    // the single lies just above the tie
    EXPECT_EQ(FormatThousandths(99.9995), "99.999");  // the double lies just below it
    EXPECT_EQ(FormatThousandths(-2.25), "-2.25");
    EXPECT_EQ(FormatThousandths(0.85f, ','), "0,85");
}

TEST(ResultText, FormatsSinglesInGeneralForm) {
    EXPECT_EQ(SingleWithSeparator(5.0f), "5");
    EXPECT_EQ(SingleWithSeparator(4.5f), "4.5");
    EXPECT_EQ(SingleWithSeparator(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(SingleWithSeparator(97.31f), "97.31");
    EXPECT_EQ(SingleWithSeparator(0.0f), "0");
    EXPECT_EQ(SingleWithSeparator(-1.0f), "-1");
    EXPECT_EQ(SingleWithSeparator(1234567.0f), "1234567");
    EXPECT_EQ(SingleWithSeparator(12345678.0f), "1.234568E+07");
    EXPECT_EQ(SingleWithSeparator(1e17f), "1E+17");
    EXPECT_EQ(SingleWithSeparator(0.0001f), "0.0001");
    EXPECT_EQ(SingleWithSeparator(0.00001f), "1E-05");
    EXPECT_EQ(SingleWithSeparator(9999999.0f), "9999999");
    EXPECT_EQ(SingleWithSeparator(2.0f / 3.0f, ','), "0,6666667");
}

TEST(ResultText, WritesTheFourResultLines) {
    FitnessResult r;
    r.Z = {0.0f, 412.5f, 3.0f, 0.25f, 0.85f};
    r.SD = {0.0f, 97.31f, 1.0f / 3.0f, 0.0f, 0.0f};
    r.nDetected = 85;
    r.nEvents = 100;
    r.zAvailable = {false, true, true, false, true};
    EXPECT_EQ(ResultLine(r, 4), "Z4 = 0.85  (85/100)");
    EXPECT_EQ(ResultLine(r, 1), "Z1 = 412.5  (SD = 97.31)");
    EXPECT_EQ(ResultLine(r, 2, ','), "Z2 = 3,0  (SD = 0,3333333)");
    EXPECT_EQ(ResultLine(r, 3), "Z3 = Not available");
}
