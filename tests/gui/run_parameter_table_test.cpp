// Every run parameter of the table, through every front end: its option and
// its window field set it, a value it cannot take is refused naming the
// option or the field, and the manifest records it under its key. A
// parameter wired into one place but not the table fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "builder/build_manifest.h"
#include "builder/run_parameter_table.h"
#include "builder/validation.h"
#include "builder/window/build_settings.h"
#include "builder/window/field_reading.h"
#include "matrix/manifest.h"
#include "support/test_support.h"
#include "tesmar/app.h"
#include "tesmar/build_request.h"
#include "tesmar/exit_codes.h"

namespace {

using builder::RunParameterEntry;
using builder::ValueKind;

// A value the parameter takes that differs from its default and from every
// other parameter's default, as typed, and what the run parameters then hold.
struct Sample {
    std::string text;
    double held;
};

Sample ValidSample(const RunParameterEntry& entry) {
    switch (entry.kind) {
        case ValueKind::Whole: return {std::to_string(static_cast<int>(builder::DefaultValue(entry)) + 7), 0};
        case ValueKind::RoundedReal: return {"1234.5", 1234};  // ties to even
        case ValueKind::Single: break;
    }
    return {"123.25", 123.25};
}

double Held(const RunParameterEntry& entry, const Sample& sample) {
    return entry.kind == ValueKind::Whole ? std::stod(sample.text) : sample.held;
}

// A value the requirement refuses, as typed.
std::string RefusedText(builder::Requirement requirement) {
    switch (requirement) {
        case builder::Requirement::Hours: return "0";
        case builder::Requirement::MassFlow: return "0.4";
        case builder::Requirement::ZeroOrPositive: return "-1";
        case builder::Requirement::Positive: return "0";
        case builder::Requirement::Finite: return "1e39";
        case builder::Requirement::AtLeastOne: return "0";
        case builder::Requirement::InjectionCount: return "1001";
    }
    return "";
}

// The command line's arguments giving the option the text, in the event
// mode the option applies to.
std::vector<std::string> Arguments(const RunParameterEntry& entry, const std::string& text) {
    std::vector<std::string> arguments;
    if (entry.onlyMode) arguments = {"--mode", builder::ModeName(*entry.onlyMode)};
    arguments.insert(arguments.end(), {entry.option, text, "network.inp"});
    return arguments;
}

// Every parameter but the one given holds its default.
void ExpectOthersDefault(const builder::RunParameters& p, const RunParameterEntry& given) {
    for (const RunParameterEntry& other : builder::RunParameterTable()) {
        if (other.id != given.id) {
            EXPECT_EQ(builder::ValueOf(other, p), builder::ValueOf(other, builder::RunParameters{}))
                << given.option << " changed " << other.option;
        }
    }
}

TEST(RunParameterTable, TheOptionSetsItsParameter) {
    const std::vector<std::string> names = tesmar::CommandOptionNames("build");
    for (const RunParameterEntry& entry : builder::RunParameterTable()) {
        EXPECT_NE(std::find(names.begin(), names.end(), std::string(entry.option).substr(2)), names.end())
            << entry.option;
        if (entry.requirement == builder::Requirement::InjectionCount) {  // the help line states the limit
            EXPECT_NE(std::string(entry.optionHelp).find("1 to " + std::to_string(builder::kMaxInjectionsPerEvent)),
                      std::string::npos);
        }
        const Sample sample = ValidSample(entry);
        const tesmar::BuildRequest request = tesmar::ParseBuildArguments(Arguments(entry, sample.text));
        EXPECT_NO_THROW(tesmar::ValidateBuildRequest(request)) << entry.option;
        const builder::RunParameters p = tesmar::ToRunParameters(request);
        EXPECT_EQ(builder::ValueOf(entry, p), Held(entry, sample)) << entry.option;
        ExpectOthersDefault(p, entry);
    }
}

TEST(RunParameterTable, TheWindowFieldSetsItsParameter) {
    for (const RunParameterEntry& entry : builder::RunParameterTable()) {
        builder::window::FieldTexts texts = builder::window::DefaultFieldTexts();
        EXPECT_EQ(texts.Field(entry.windowField), builder::DefaultText(entry)) << entry.fieldLabel;
        const Sample sample = ValidSample(entry);
        texts.Field(entry.windowField) = sample.text;
        builder::RunParameters p;
        builder::window::ApplyFields(builder::window::ReadFields(texts), p);
        EXPECT_EQ(builder::ValueOf(entry, p), Held(entry, sample)) << entry.fieldLabel;
        ExpectOthersDefault(p, entry);
    }
}

TEST(RunParameterTable, TheCommandLineRefusesAValueNamingTheOption) {
    for (const RunParameterEntry& entry : builder::RunParameterTable()) {
        const std::string text = RefusedText(entry.requirement);
        const tesmar::BuildRequest request = tesmar::ParseBuildArguments(Arguments(entry, text));
        try {
            tesmar::ValidateBuildRequest(request);
            ADD_FAILURE() << entry.option << " " << text << " was accepted";
        } catch (const tesmar::InputError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(entry.option) + " " +
                                                 builder::RequirementText(entry.requirement) + " (got " +
                                                 base::GeneralText(std::stod(text), 10) + ")");
        }
    }
}

// The window refuses a value as it reads the fields (one beyond the
// parameter's type) or as the build checks them, naming the field either way.
TEST(RunParameterTable, TheWindowRefusesAValueNamingTheField) {
    for (const RunParameterEntry& entry : builder::RunParameterTable()) {
        builder::window::FieldTexts texts = builder::window::DefaultFieldTexts();
        texts.Field(entry.windowField) = builder::CheckedByBuild(entry) ? RefusedText(entry.requirement) : "5e9";
        try {
            builder::RunParameters p;
            builder::window::ApplyFields(builder::window::ReadFields(texts), p);
            builder::ValidateRunParameters(p);
            ADD_FAILURE() << entry.fieldLabel << " " << texts.Field(entry.windowField) << " was accepted";
        } catch (const builder::window::FieldError& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + std::string(entry.fieldLabel) + "\""), std::string::npos)
                << e.what();
        } catch (const builder::ParameterError& e) {
            EXPECT_EQ(e.parameter, entry.id) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(std::string(entry.name) + " " + e.requirement, 0), 0u) << e.what();
        }
    }
}

TEST(RunParameterTable, TheManifestRecordsItUnderItsKey) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("network.inp");
    for (const RunParameterEntry& entry : builder::RunParameterTable()) {
        const Sample sample = ValidSample(entry);
        builder::RunParameters p;
        builder::SetValue(entry, p, Held(entry, sample));
        matrix::Manifest manifest;
        manifest.parameters = builder::RecordedParameters(p);
        matrix::WriteManifest(network, manifest);
        const nlohmann::json written =
            nlohmann::json::parse(testing_support::ReadText(folder.File("network.inp.build.json")));
        const std::string key = builder::ManifestKey(entry);
        ASSERT_TRUE(written.at("parameters").contains(key)) << entry.option << " " << key;
        EXPECT_EQ(written.at("parameters").at(key).get<double>(), Held(entry, sample)) << key;
        // The reading back finds it where the writing put it.
        const auto back = matrix::ReadManifest(network);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(builder::ValueOf(entry, p),
                  entry.kind == ValueKind::Single ? back->parameters.*entry.manifestSingle
                                                  : back->parameters.*entry.manifestWhole);
    }
}

// Each switch: its flag turns on its member and no other, and the manifest
// records it under its key (a switch off may be left out).
TEST(RunParameterTable, EverySwitchReachesTheRunAndTheManifest) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("network.inp");
    for (const builder::RunSwitchEntry& entry : builder::RunSwitchTable()) {
        const builder::RunParameters p =
            tesmar::ToRunParameters(tesmar::ParseBuildArguments({entry.option, "network.inp"}));
        for (const builder::RunSwitchEntry& other : builder::RunSwitchTable())
            EXPECT_EQ(p.*other.member, other.id == entry.id) << entry.option << " and " << other.option;
        for (const bool on : {true, false}) {
            builder::RunParameters switched;
            switched.*entry.member = on;
            matrix::Manifest manifest;
            manifest.parameters = builder::RecordedParameters(switched);
            matrix::WriteManifest(network, manifest);
            const nlohmann::json written =
                nlohmann::json::parse(testing_support::ReadText(folder.File("network.inp.build.json")));
            EXPECT_EQ(written.at("parameters").value(builder::ManifestKey(entry), false), on) << entry.option;
            EXPECT_EQ(matrix::ReadManifest(network)->parameters.*entry.recorded, on) << entry.option;
        }
    }
}

}  // namespace
