#include "tesmar/app.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <map>
#include <memory>

#include "network/workspace.h"
#include "tesmar/build_command.h"
#include "tesmar/exit_codes.h"
#include "tesmar/fitness_command.h"
#include "tesmar/network_input.h"
#include "tesmar/number_text.h"
#include "tesmar/progress.h"

namespace tesmar {

namespace {

struct Commands {
    CLI::App* build = nullptr;
    CLI::App* fitness = nullptr;
    BuildRequest buildRequest;
    FitnessRequest fitnessRequest;
    std::string mode = builder::ModeName(builder::RunParameters{}.Mode);
};

template <typename T>
CLI::Option* WholeOption(CLI::App* app, const std::string& name, T& value, const std::string& help) {
    return app->add_option(name, value, help)->transform(WholeNumber())->type_name("N")->capture_default_str();
}

// The default as the window's field shows it: the shortest text of the
// single the value feeds, or 15 significant digits for the mass flow,
// which is rounded to a whole number instead.
std::string DefaultText(double value, bool single) {
    char text[32];
    const auto end = single ? std::to_chars(text, text + sizeof text, static_cast<float>(value)).ptr
                            : std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr;
    return std::string(text, end);
}

CLI::Option* RealOption(CLI::App* app, const std::string& name, double& value, const std::string& help,
                        const std::string& unit, bool single = true) {
    return app->add_option(name, value, help)->transform(RealNumber())->type_name(unit)->default_str(
        DefaultText(value, single));
}

void AddEventOptions(CLI::App* build, Commands& c) {
    BuildRequest& r = c.buildRequest;
    build->add_option("--mode", c.mode,
                      "Event set: all-times (every node at every quality step of a day), repeat (every node "
                      "--repeat times at random start times) or random (--random-events events at random "
                      "nodes and times)")
        ->check(CLI::IsMember({builder::ModeName(builder::EventMode::AllNodesAllTimes),
                               builder::ModeName(builder::EventMode::AllNodesRepeated),
                               builder::ModeName(builder::EventMode::RandomEvents)}))
        ->type_name("MODE")
        ->capture_default_str();
    WholeOption(build, "--repeat", r.RepeatCount, "Times every node is injected (--mode repeat)")->type_name("X");
    WholeOption(build, "--random-events", r.RandomEvents, "Number of random events (--mode random)");
    WholeOption(build, "--injections", r.Injections,
                "Injections per random event, 1 to " + std::to_string(kMaxInjectionsPerEvent) + " (--mode random)")
        ->type_name("K");
    WholeOption(build, "--injection-hours", r.InjectionHours, "Duration of every injection, hours")->type_name("H");
    RealOption(build, "--mass-flow", r.MassFlow, "Contaminant mass inflow of an injection, mg/min (rounded to a whole number)",
               "MG_PER_MIN", false);
    WholeOption(build, "--max-hours", r.MaxHours, "Simulated time of every event, hours")->type_name("H");
    RealOption(build, "--sensitivity", r.Sensitivity, "Detection sensitivity of a sensor, mg/L", "MG_PER_L");
}

void AddImpactOptions(CLI::App* build, Commands& c) {
    BuildRequest& r = c.buildRequest;
    RealOption(build, "--ingestion-rate", r.IngestionRate, "Mean volumetric ingestion rate, L/day", "L_PER_DAY");
    RealOption(build, "--body-weight", r.BodyWeight, "Assumed body weight, kg", "KG");
    RealOption(build, "--d50", r.D50, "Dose affecting half of the people, mg/kg", "MG_PER_KG");
    RealOption(build, "--beta", r.Beta, "Slope of the log-probit dose-response model", "B");
    RealOption(build, "--per-capita", r.PerCapita, "Per capita water consumption rate, L/day", "L_PER_DAY");
    build->add_flag("--no-z2", r.NoZ2, "Do not calculate the Z2 matrix (people affected)");
}

void AddRunOptions(CLI::App* build, Commands& c) {
    BuildRequest& r = c.buildRequest;
    build->add_option("--seed", r.Seed, "Seed of the event set; the same seed gives the same files "
                                        "(default: from the clock, printed so the run can be repeated)")
        ->transform(WholeNumber())
        ->type_name("N");
    auto* threads = build->add_option("--threads", r.Threads,
                                      "Worker threads, 1 to " + std::to_string(kMaxThreads) +
                                          " (default: every core the process may use; under mpirun, per process)")
                        ->transform(WholeNumber())
                        ->type_name("N");
    build->add_flag("--reference", r.Reference,
                    "Run the verification procedure: one worker, hydraulics solved for every event")
        ->excludes(threads);
}

void AddBuild(CLI::App& app, Commands& c) {
    c.build = app.add_subcommand("build", "Build the scenario matrices (.z1 to .z4) of a network, beside it");
    c.build->add_option("NETWORK", c.buildRequest.NetworkFile, "Network file (.inp) the simulation toolkit can open")
        ->required();
    AddEventOptions(c.build, c);
    AddImpactOptions(c.build, c);
    AddRunOptions(c.build, c);
    c.build->footer("Ctrl-C or SIGTERM stops the build after the running events; the files keep whole records.\n"
                    "Under mpirun (mpirun -np N tesmar build ...) the processes share one build; SIGUSR1 to mpirun\n"
                    "stops it after the running events, SIGINT or SIGTERM at once.\n"
                    "Exit codes: 0 done, 1 failed while running, 2 bad usage or input, 130 stopped.");
}

void AddFitness(CLI::App& app, Commands& c) {
    c.fitness = app.add_subcommand("fitness", "Evaluate a sensor set against the scenario matrices of a network");
    c.fitness->add_option("NETWORK", c.fitnessRequest.NetworkFile, "Network file the matrices were built for")
        ->required();
    c.fitness->add_option("NODE_ID", c.fitnessRequest.NodeIds, "IDs of the sensor nodes (letter case ignored)")
        ->required();
    c.fitness->add_flag("--json", c.fitnessRequest.Json,
                        "Print one JSON object with the values, standard deviations and counts");
    c.fitness->footer("Exit codes: 0 done, 1 failed while running, 2 bad usage or input.");
}

// Records which mode-specific options were given, so that they can be
// refused for the other modes.
void NoteGivenOptions(Commands& c) {
    BuildRequest& r = c.buildRequest;
    r.RepeatGiven = c.build->count("--repeat") > 0;
    r.RandomEventsGiven = c.build->count("--random-events") > 0;
    r.InjectionsGiven = c.build->count("--injections") > 0;
    for (auto mode : {builder::EventMode::AllNodesAllTimes, builder::EventMode::AllNodesRepeated,
                      builder::EventMode::RandomEvents})
        if (c.mode == builder::ModeName(mode)) r.Mode = mode;
}

// CLI11's message for a parse error, on one line.
std::string OneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\n') ch = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string CommandName(const CLI::App& app, const Commands& c) {
    if (c.build->parsed()) return "tesmar build";
    if (c.fitness->parsed()) return "tesmar fitness";
    return app.get_name();
}

}  // namespace

int RunTesmar(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Builds contamination scenario matrices of a water network and evaluates sensor sets.", "tesmar");
    app.set_version_flag("--version", std::string("tesmar ") + TESMAR_VERSION);
    app.require_subcommand(1);
    Commands c;
    AddBuild(app, c);
    AddFitness(app, c);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e, out, err) == 0 ? kSuccess : kBadInput;  // --help, --version
    } catch (const CLI::ParseError& e) {
        if (!c.build->parsed() && !c.fitness->parsed() && argc > 1 && argv[1][0] != '-') {
            err << "tesmar: unknown command '" << argv[1] << "' (the commands are build and fitness; see tesmar --help)"
                << std::endl;
            return kBadInput;
        }
        err << CommandName(app, c) << ": " << OneLine(e.what()) << " (see " << CommandName(app, c) << " --help)"
            << std::endl;
        return kBadInput;
    }
    // Paths are taken as given from where the program started; then the
    // program works in a private folder of its own, where the toolkit keeps
    // its scratch files.
    c.buildRequest.NetworkFile = AbsoluteNetworkPath(c.buildRequest.NetworkFile);
    c.fitnessRequest.NetworkFile = AbsoluteNetworkPath(c.fitnessRequest.NetworkFile);
    std::unique_ptr<network::Workspace> workspace;
    try {
        workspace = std::make_unique<network::Workspace>();
    } catch (const std::exception& e) {
        err << CommandName(app, c) << ": " << e.what() << std::endl;
        return kRunFailed;
    }
    if (c.build->parsed()) {
        NoteGivenOptions(c);
        return RunBuildCommand(c.buildRequest, out, err, ErrorStreamIsTerminal());
    }
    return RunFitnessCommand(c.fitnessRequest, out, err);
}

int RunTesmar(int argc, char** argv) { return RunTesmar(argc, argv, std::cout, std::cerr); }

}  // namespace tesmar
