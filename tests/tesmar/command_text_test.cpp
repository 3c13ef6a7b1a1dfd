// The command library in process: number checks, progress text, JSON text,
// option validation, and the help and version output.
#include <gtest/gtest.h>

#include <sstream>

#include "base/user_text.h"
#include "tesmar/app.h"
#include "tesmar/build_request.h"
#include "tesmar/exit_codes.h"
#include "tesmar/json_text.h"
#include "tesmar/number_option.h"
#include "tesmar/progress.h"

using namespace tesmar;

TEST(TesmarNumberText, WholeNumbersAreDecimalOnly) {
    EXPECT_EQ(CanonicalWholeNumber("010"), "10");  // not octal
    EXPECT_EQ(CanonicalWholeNumber("-25"), "-25");
    EXPECT_EQ(CanonicalWholeNumber("-0"), "0");
    for (const char* text : {"", "-", "0x10", "12a", " 5", "+5", "1.5", "99999999999999999999999"})
        EXPECT_FALSE(CanonicalWholeNumber(text).has_value()) << text;
}

TEST(TesmarNumberText, RealsAreFiniteDecimals) {
    EXPECT_EQ(CanonicalRealNumber("479166.666666667"), "479166.666666667");
    EXPECT_EQ(CanonicalRealNumber("1e3"), "1000");
    EXPECT_EQ(CanonicalRealNumber("-0.25"), "-0.25");
    for (const char* text : {"", "nan", "inf", "-inf", "1e999", "0x1p3", "3,5", "2 "})
        EXPECT_FALSE(CanonicalRealNumber(text).has_value()) << text;
}

namespace {

builder::BuildProgress At(std::int32_t done, std::int32_t total, double elapsed) {
    builder::BuildProgress p;
    p.done = done;
    p.total = total;
    p.elapsedSeconds = elapsed;
    if (done > 0 && elapsed > 0) {
        p.eventsPerSecond = done / elapsed;
        p.remainingSeconds = (total - done) / p.eventsPerSecond;
    }
    return p;
}

}  // namespace

TEST(TesmarProgress, Texts) {
    EXPECT_EQ(FormatDuration(45.4), "45 s");
    EXPECT_EQ(FormatDuration(185), "3 min 05 s");
    EXPECT_EQ(FormatDuration(7620), "2 h 07 min");
    EXPECT_EQ(ProgressText(At(0, 200, 0)), "0/200 events (0%)");
    EXPECT_EQ(ProgressText(At(50, 200, 4)), "50/200 events (25%), 12.5 events/s, 12 s remaining");
}

TEST(TesmarProgress, PlainLinesForTheFirstEventAndEveryFivePercent) {
    std::ostringstream err;
    ProgressReporter progress(err, false);
    for (int done = 0; done <= 100; ++done) progress.Update(At(done, 100, done * 0.1));
    std::size_t lines = 0;
    for (char c : err.str()) lines += c == '\n';
    EXPECT_EQ(lines, 21u) << err.str();  // 1, then 5, 10, ..., 100
    EXPECT_NE(err.str().find("tesmar: 1/100 events (1%)"), std::string::npos);
    EXPECT_NE(err.str().find("tesmar: 100/100 events (100%)"), std::string::npos);
    EXPECT_EQ(err.str().find("tesmar: 6/100"), std::string::npos);
    EXPECT_EQ(progress.Done(), 100);
}

TEST(TesmarJson, StringsAndNumbers) {
    EXPECT_EQ(base::JsonString("J\"1\\\n\x01"), "\"J\\\"1\\\\\\n\\u0001\"");
    EXPECT_EQ(JsonNumber(0.5f), "0.5");
    EXPECT_EQ(JsonNumber(1.0f / 3), "0.33333334");
    EXPECT_EQ(JsonNumber(1.0f / 0.0f), "null");
}

TEST(TesmarRequest, DefaultsAreValidAndZ2ValuesMatterOnlyWithZ2) {
    BuildRequest request;
    EXPECT_NO_THROW(ValidateBuildRequest(request));
    request.Value(builder::Parameter::D50) = 0;
    EXPECT_THROW(ValidateBuildRequest(request), InputError);
    request.On(builder::Switch::NoZ2) = true;
    EXPECT_NO_THROW(ValidateBuildRequest(request));
}

TEST(TesmarRequest, RunParametersFollowTheWindowsReading) {
    BuildRequest request;
    const builder::RunParameters defaults = ToRunParameters(request);
    EXPECT_EQ(defaults.InjectionMassFlow, 479167);
    EXPECT_EQ(defaults.Beta, builder::RunParameters{}.Beta);
    request.Value(builder::Parameter::InjectionMassFlow) = 1000.5;  // ties to even
    request.Mode = builder::EventMode::RandomEvents;
    const builder::RunParameters p = ToRunParameters(request);
    EXPECT_EQ(p.InjectionMassFlow, 1000);
    EXPECT_EQ(p.Mode, builder::EventMode::RandomEvents);
}

namespace {

int RunInProcess(std::vector<const char*> args, std::string& out, std::string& err) {
    args.insert(args.begin(), "tesmar");
    std::ostringstream o, e;
    const int code = RunTesmar(static_cast<int>(args.size()), args.data(), o, e);
    out = o.str();
    err = e.str();
    return code;
}

}  // namespace

TEST(TesmarHelp, VersionAndHelpOfEveryCommand) {
    std::string out, err;
    EXPECT_EQ(RunInProcess({"--version"}, out, err), 0);
    EXPECT_EQ(out, "tesmar 1.0.0\n");

    EXPECT_EQ(RunInProcess({"--help"}, out, err), 0);
    EXPECT_NE(out.find("build"), std::string::npos);
    EXPECT_NE(out.find("fitness"), std::string::npos);

    EXPECT_EQ(RunInProcess({"build", "--help"}, out, err), 0);
    for (const char* option : {"--mode", "--repeat", "--random-events", "--injections", "--injection-hours",
                               "--mass-flow", "--max-hours", "--sensitivity", "--ingestion-rate", "--body-weight",
                               "--d50", "--beta", "--per-capita", "--no-z2", "--seed", "--threads", "--reference"})
        EXPECT_NE(out.find(option), std::string::npos) << option;

    EXPECT_EQ(RunInProcess({"fitness", "--help"}, out, err), 0);
    EXPECT_NE(out.find("--json"), std::string::npos);
    EXPECT_NE(out.find("NODE_ID"), std::string::npos);
    EXPECT_EQ(err, "");
}
