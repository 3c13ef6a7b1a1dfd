// The number forms against the C library's printf, which they replace in
// files and messages whose bytes must not move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/number_text.h"

namespace {

std::string Printf(const char* format, int precision, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, precision, value);
    return text;
}

// Values of every size and sign, with short and long decimal expansions.
std::vector<double> SampleValues() {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-12, 20);
    std::vector<double> values{0, 0.5, 1, 2149.3923611111113, 0.95, 99.995, 0.125, 1e15, 12.345, -0.004};
    for (int i = 0; i < 3000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (int i = 0; i < 300; ++i) values.push_back(std::round(mantissa(random) * 1000) / 1000);
    return values;
}

TEST(NumberText, GeneralAndFixedFormsMatchPrintf) {
    for (double v : SampleValues()) {
        for (int digits : {1, 6, 9, 10, 15, 17})
            ASSERT_EQ(base::GeneralText(v, digits), Printf("%.*g", digits, v)) << v << " " << digits;
        ASSERT_EQ(base::PercentText(v), Printf("%.*f", 2, v) + "%") << v;
        std::string fixed = Printf("%.*f", 1, v);
        if (fixed == "-0.0") fixed = "0.0";
        ASSERT_EQ(base::FixedText(v, 1), fixed) << v;
        ASSERT_EQ(base::SpacedPercentText(v), base::FixedText(v, 2) + " %") << v;
    }
}

TEST(NumberText, SevenDigitFormIsUpperCaseGeneralWithoutMinusZero) {
    for (double v : SampleValues()) {
        const float single = static_cast<float>(v);
        if (single == 0) continue;
        ASSERT_EQ(base::SevenDigitText(single), Printf("%.*G", 7, single)) << v;
    }
    EXPECT_EQ(base::SevenDigitText(-0.0f), "0");
    EXPECT_EQ(base::SevenDigitText(12345678.0f), "1.234568E+07");
    std::string text = "x=";
    base::AppendSevenDigitText(text, 0.00001234f);
    EXPECT_EQ(text, "x=1.234E-05");
}

TEST(NumberText, ShortestFormReadsBackAsTheSameValue) {
    for (double v : SampleValues()) {
        const float single = static_cast<float>(v);
        ASSERT_EQ(std::strtof(base::ShortestText(single).c_str(), nullptr), single) << v;
        ASSERT_EQ(std::strtod(base::ShortestText(v).c_str(), nullptr), v) << v;
    }
    EXPECT_EQ(base::ShortestText(0.34f), "0.34");
    EXPECT_EQ(base::ShortestText(0.95), "0.95");
}

// The build manifest's numbers were written by the JSON library; the point
// form writes them the same way.
TEST(NumberText, PointFormIsTheJsonLibrarysDoubleForm) {
    std::vector<double> values = SampleValues();
    for (double v : std::initializer_list<double>{-0.0, 1e-4, 1e-5, 9.9999e-5, 1e15, 1e16, 999999999999999.9,
                     123456789012345680.0, 1e300, 5e-324, 300.0, 70.0, 0.34f, 0.1f, 0.695985259, -2.5e-7})
        values.push_back(v);
    // The library's Grisu2 digits read back as the value but, now and then
    // on a 16- or 17-digit value, are not the shortest or the nearest ones;
    // the form is the same.
    std::size_t differing = 0;
    for (double v : values) {
        const std::string point = base::ShortestPointText(v), library = nlohmann::json(v).dump();
        if (point == library) continue;
        ++differing;
        EXPECT_LE(point.size(), library.size()) << library;
        const std::string mantissa = library.substr(0, library.find('e'));
        EXPECT_GE(std::count_if(mantissa.begin(), mantissa.end(), ::isdigit), 16) << library;
        EXPECT_EQ(std::strtod(point.c_str(), nullptr), v) << library;
        EXPECT_EQ(point.find('e') == std::string::npos, library.find('e') == std::string::npos) << library;
    }
    EXPECT_LT(differing, values.size() / 100);
    EXPECT_EQ(base::ShortestPointText(70), "70.0");
    EXPECT_EQ(base::ShortestPointText(1e-5), "1e-05");
    EXPECT_EQ(base::ShortestPointText(std::nan("")), "null");
}

TEST(NumberText, ZeroIsNeverSignedInTheFixedForms) {
    EXPECT_EQ(base::FixedText(-0.001, 2), "0.00");
    EXPECT_EQ(base::SpacedPercentText(-0.0), "0.00 %");
    EXPECT_EQ(base::SpacedPercentText(12.345), "12.35 %");
    // printf's form, as tesmar place prints it, keeps the sign.
    EXPECT_EQ(base::PercentText(-0.0), "-0.00%");
}

}  // namespace

namespace {

TEST(NumberText, ThousandthsRoundOnTheExactExpansion) {
    EXPECT_EQ(base::ThousandthsText(0.0005), "0.001");  // 0.000500000000000000010..
    EXPECT_EQ(base::ThousandthsText(1.0005), "1.0");    // 1.000499999999999944..
    EXPECT_EQ(base::ThousandthsText(999.9995), "1000.0");
    EXPECT_EQ(base::ThousandthsText(-2.5), "-2.5");
    EXPECT_EQ(base::ThousandthsText(-0.0004), "0.0");
    EXPECT_EQ(base::ThousandthsText(1.0 / 3), "0.333");
    EXPECT_EQ(base::ThousandthsText(-1.0 / 0.0), "-Infinity");
}

TEST(NumberText, TrimmedFixedDropsEndingZerosAndTheBarePoint) {
    EXPECT_EQ(base::TrimmedFixedText(62.79, 2), "62.79");
    EXPECT_EQ(base::TrimmedFixedText(12.5, 2), "12.5");
    EXPECT_EQ(base::TrimmedFixedText(10.001, 2), "10");
    EXPECT_EQ(base::TrimmedFixedText(-0.001, 2), "0");
    EXPECT_EQ(base::TrimmedFixedText(-1.25, 1), "-1.2");  // ties to even, as printf
}

}  // namespace
