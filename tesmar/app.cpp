#include "tesmar/app.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/user_text.h"
#include "tesmar/build_command.h"
#include "tesmar/convert_command.h"
#include "tesmar/exit_codes.h"
#include "tesmar/fitness_command.h"
#include "tesmar/network_input.h"
#include "tesmar/number_option.h"
#include "tesmar/place_command.h"
#include "tesmar/report_command.h"
#include "tesmar/progress.h"
#include "tesmar/thread_count.h"

namespace tesmar {

namespace {

const char* kAcceptPartialHelp =
    "Exit 0, not 3, when the figures rest on fewer events than the set holds (a file cannot be read whole); "
    "the result says so either way";

struct Commands {
    CLI::App* build = nullptr;
    CLI::App* fitness = nullptr;
    CLI::App* convert = nullptr;
    CLI::App* place = nullptr;
    CLI::App* report = nullptr;
    BuildRequest buildRequest;
    FitnessRequest fitnessRequest;
    ConvertRequest convertRequest;
    PlaceCommandRequest placeRequest;
    ReportRequest reportRequest;
    PlaceRequest reportPlacement;
    std::int32_t reportCount = 0;
    std::string mode = builder::ModeName(builder::RunParameters{}.Mode);
};

// WholeNumber for the type an option stores (a plain or optional integer).
template <typename T>
CLI::Validator WholeNumberFor(const T&) {
    return WholeNumber(static_cast<long long>(std::numeric_limits<T>::min()),
                       static_cast<unsigned long long>(std::numeric_limits<T>::max()));
}
template <typename T>
CLI::Validator WholeNumberFor(const std::optional<T>&) {
    return WholeNumberFor(T{});
}

// The option of a run parameter of the table, bound to its value in the request.
void AddParameterOption(CLI::App* build, const builder::RunParameterEntry& entry, BuildRequest& r) {
    double& value = r.Value(entry.id);
    CLI::Option* option = build->add_option(entry.option, value, entry.optionHelp);
    if (entry.kind == builder::ValueKind::Whole)
        option->transform(WholeNumberFor(std::int32_t{}));
    else
        option->transform(RealNumber());
    option->type_name(entry.optionType)->default_str(builder::DefaultText(entry));
}

// The flag of a switch of the table.
void AddSwitchOption(CLI::App* build, builder::Switch id, BuildRequest& r) {
    const builder::RunSwitchEntry& entry = builder::EntryOf(id);
    build->add_flag(entry.option, r.On(id), entry.optionHelp);
}

void AddParameterOptions(CLI::App* build, Commands& c) {
    const builder::RunModeEntry& mode = builder::ModeEntry();
    std::vector<std::string> modeNames;
    for (builder::EventMode each : builder::EventModes()) modeNames.emplace_back(builder::ModeName(each));
    build->add_option(mode.option, c.mode, mode.optionHelp)
        ->check(CLI::IsMember(modeNames))
        ->type_name(mode.optionType)
        ->capture_default_str();
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        AddParameterOption(build, entry, c.buildRequest);
    AddSwitchOption(build, builder::Switch::NoZ2, c.buildRequest);
}

void AddRunOptions(CLI::App* build, Commands& c) {
    BuildRequest& r = c.buildRequest;
    build->add_option("--seed", r.Seed, "Seed of the event set; the same seed gives the same files "
                                        "(default: from the clock, printed so the run can be repeated)")
        ->transform(WholeNumberFor(r.Seed))
        ->type_name("N");
    auto* threads = build->add_option("--threads", r.Threads,
                                      "Worker threads, 1 to " + std::to_string(kMaxThreads) +
                                          " (default: every core the process may use; under mpirun, per process)")
                        ->transform(WholeNumberFor(r.Threads))
                        ->type_name("N");
    build->add_flag("--accept-warnings", r.AcceptWarnings,
                    "Build a network the simulation toolkit warns about (negative pressures, say); the warnings "
                    "are recorded in the output and the build manifest");
    AddSwitchOption(build, builder::Switch::Chemical, r);
    build->add_flag("--reference", r.Reference,
                    "Run the verification procedure: one worker, hydraulics solved for every event")
        ->excludes(threads);
    build->add_option("--engine", r.Engine,
                      "Water-quality solver of the events: own (Tesmar's transport engine, the default; a network "
                      "it does not reproduce exactly uses the toolkit's) or toolkit")
        ->check(CLI::IsMember({"own", "toolkit"}))
        ->type_name("own|toolkit");
}

void AddBuild(CLI::App& app, Commands& c) {
    c.build = app.add_subcommand("build", "Build the scenario matrices (.z1 to .z4) of a network, beside it");
    c.build->add_option("NETWORK", c.buildRequest.NetworkFile, "Network file (.inp) the simulation toolkit can open")
        ->required();
    AddParameterOptions(c.build, c);
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
    c.fitness->add_flag("--accept-partial", c.fitnessRequest.AcceptPartial, kAcceptPartialHelp);
    c.fitness->footer("Exit codes: 0 done, 1 failed while running, 2 bad usage or input, 3 done from a partial set.");
}

void AddConvert(CLI::App& app, Commands& c) {
    c.convert = app.add_subcommand("convert", "Write the binary form (.npy) of the text matrix files of a network");
    c.convert->add_option("NETWORK", c.convertRequest.NetworkFile, "Network file the matrices were built for")
        ->required();
    c.convert->footer("Exit codes: 0 done, 1 failed while running, 2 bad usage or input (nothing written).");
}

// Costs and budget, event weights, requirements, redundancy and failing sensors.
void AddPlanningOptions(CLI::App* command, PlaceRequest& r) {
    command->add_option("--costs", r.CostsFile,
                        "CSV file of 'node ID,cost' lines (an optional header; a third column 'failure' gives the "
                        "node's failure probability)")
        ->type_name("FILE");
    command->add_option("--default-cost", r.DefaultCost, "Cost of a node the costs file does not list (default 1)")
        ->transform(RealNumber())
        ->type_name("C");
    command->add_option("--budget", r.Budget, "Largest total cost of the set, fixed sensors included")
        ->transform(RealNumber())
        ->type_name("B");
    command->add_option("--budget-steps", r.BudgetSteps, "With --curve and --budget: the budgets B/N, 2B/N, .., B")
        ->transform(WholeNumberFor(r.BudgetSteps))
        ->type_name("N")
        ->capture_default_str();
    command->add_option("--weights", r.WeightsFile,
                        "CSV file of 'event number,weight' lines, events numbered from 1 (an optional header): "
                        "every statistic is weighted")
        ->type_name("FILE");
    command->add_option("--require", r.Require,
                        "A guarantee the set must meet, repeatable: detected>=SHARE or z1|z2|z3.mean|var|cvar|worst<=LIMIT")
        ->type_name("EXPR")
        ->allow_extra_args(false);
    command->add_option("--redundancy", r.Redundancy,
                        "Detections an event needs to count as detected; its impact is taken at the last of them")
        ->transform(WholeNumberFor(r.Redundancy))
        ->type_name("R")
        ->capture_default_str();
    command->add_option("--failure-probability", r.FailureProbability,
                        "Chance that a sensor misses an event it would detect, each sensor on its own, in [0, 1)")
        ->transform(RealNumber())
        ->type_name("P");
}

// The options that choose and limit a placement, shared by place and report.
void AddPlacementOptions(CLI::App* command, PlaceRequest& r) {
    command->add_option("--objective", r.Objective,
                        "What a set's impact on an event is: z1 minutes to detection, z2 people affected, z3 "
                        "contaminated volume consumed (each at the set's first detecting sensor, or the event's "
                        "impact when none detects it), or detect (events missed)")
        ->check(CLI::IsMember(kObjectiveNames))
        ->capture_default_str();
    command->add_option("--statistic", r.Statistic,
                        "How impacts are taken over the events: mean, var (value at risk), cvar (conditional value "
                        "at risk) or worst")
        ->check(CLI::IsMember(kStatisticNames))
        ->capture_default_str();
    command->add_option("--alpha", r.Alpha, "Level of var and cvar, between 0 and 1")
        ->transform(RealNumber())
        ->type_name("A")
        ->capture_default_str();
    command->add_flag("--detectable-only", r.DetectableOnly,
                      "Count only the events that some candidate node detects");
    command->add_option("--fixed", r.Fixed, "Nodes that hold a sensor already (always in the set)")
        ->type_name("ID ...");
    auto* exclude = command->add_option("--exclude", r.Exclude, "Nodes where no sensor can go")->type_name("ID ...");
    command->add_option("--candidates", r.CandidatesFile,
                        "File of the node IDs where sensors may go (blank separated, # starts a comment)")
        ->type_name("FILE")
        ->excludes(exclude);
    command->add_flag("--curve", r.Curve, "Also the best set of every smaller sensor count: the trade-off curve");
    command->add_flag("--exact", r.Exact,
                      "Solve the mixed-integer model to proven optimality (mean, cvar, worst, detect) with CBC");
    command->add_option("--time-limit", r.TimeLimit, "Stop after so many seconds with the best value and bound reached")
        ->transform(RealNumber())
        ->type_name("S");
    command->add_option("--threads", r.Threads,
                        "Threads, 1 to " + std::to_string(kMaxThreads) + " (default: every core the process may use)")
        ->transform(WholeNumberFor(r.Threads))
        ->type_name("N");
    AddPlanningOptions(command, r);
}

void AddPlace(CLI::App& app, Commands& c) {
    PlaceCommandRequest& r = c.placeRequest;
    c.place = app.add_subcommand("place", "Find the best sensor sets, with a proven bound on the best possible");
    c.place->add_option("NETWORK", r.NetworkFile, "Network file the matrices were built for")->required();
    c.place->add_option("--sensors", r.Place.Sensors,
                        "Sensors in the set, the fixed ones included (optional with --budget)")
        ->transform(WholeNumberFor(r.Place.Sensors))
        ->type_name("K");
    AddPlacementOptions(c.place, r.Place);
    c.place->add_flag("--json", r.Json, "Print one JSON object with every figure");
    c.place->add_flag("--accept-partial", r.AcceptPartial, kAcceptPartialHelp);
    c.place->footer("Ctrl-C stops the search with the best set and bound reached.\n"
                    "Exit codes: 0 done, 1 failed while running, 2 bad usage or input, 3 done from a partial set, "
                    "130 stopped.");
}

void AddReport(CLI::App& app, Commands& c) {
    ReportRequest& r = c.reportRequest;
    c.report = app.add_subcommand("report", "Write one self-contained HTML page: the network map with the sensors, "
                                            "the trade-off curve and the figures");
    c.report->add_option("NETWORK", r.NetworkFile, "Network file the matrices were built for")->required();
    c.report->add_option("-o,--output", r.Output, "The page to write (written whole or not at all)")
        ->required()
        ->type_name("FILE");
    auto* sensors = c.report->add_option("--sensors", r.Sensors, "The sensor set to show")->type_name("ID ...");
    c.report->add_option("--place", c.reportCount,
                         "Instead of --sensors: the best set of K sensors, with the trade-off curve up to K "
                         "(the options of tesmar place below choose and limit it)")
        ->transform(WholeNumberFor(c.reportCount))
        ->type_name("K")
        ->excludes(sensors);
    AddPlacementOptions(c.report, c.reportPlacement);
    c.report->add_flag("--accept-partial", r.AcceptPartial, kAcceptPartialHelp);
    c.report->footer("The objective, statistic and alpha also give the tail figures of a set given with --sensors.\n"
                     "Exit codes: 0 done, 1 failed while running, 2 bad usage or input (nothing written), "
                     "3 done from a partial set.");
}

// Records which mode-specific options were given, so that they can be
// refused for the other modes.
void NoteGivenOptions(Commands& c) {
    BuildRequest& r = c.buildRequest;
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        r.Given[static_cast<std::size_t>(entry.id)] = c.build->count(entry.option) > 0;
    for (builder::EventMode mode : builder::EventModes())
        if (c.mode == builder::ModeName(mode)) r.Mode = mode;
}

// CLI11's message for a parse error, on one line and cut where it quotes
// a long argument.
std::string OneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\n') ch = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return base::ShownText(text, 3 * base::kShownCharacters);
}

// The first option given that only steers a placement, which a report of a
// given set would silently ignore.
std::optional<std::string> PlacementOnlyOptionGiven(const CLI::App& report) {
    for (const char* name : {"--fixed", "--exclude", "--candidates", "--curve", "--exact", "--time-limit", "--threads",
                             "--detectable-only", "--costs", "--default-cost", "--budget", "--budget-steps",
                             "--weights", "--require", "--redundancy", "--failure-probability"}) {
        const CLI::Option* option = report.get_option_no_throw(name);
        if (option && option->count() > 0) return std::string(name);
    }
    return std::nullopt;
}

std::string CommandName(const CLI::App& app, const Commands& c) {
    if (c.build->parsed()) return "tesmar build";
    if (c.fitness->parsed()) return "tesmar fitness";
    if (c.convert->parsed()) return "tesmar convert";
    if (c.place->parsed()) return "tesmar place";
    if (c.report->parsed()) return "tesmar report";
    return app.get_name();
}

void DefineCommands(CLI::App& app, Commands& c) {
    app.set_version_flag("--version", std::string("tesmar ") + TESMAR_VERSION);
    app.require_subcommand(1);
    AddBuild(app, c);
    AddFitness(app, c);
    AddConvert(app, c);
    AddPlace(app, c);
    AddReport(app, c);
}

// Paths are made absolute once, from where the program started, and the
// options shared by several commands go where the parsed command reads them.
void CompleteRequests(Commands& c) {
    c.buildRequest.NetworkFile = AbsoluteNetworkPath(c.buildRequest.NetworkFile);
    c.fitnessRequest.NetworkFile = AbsoluteNetworkPath(c.fitnessRequest.NetworkFile);
    c.convertRequest.NetworkFile = AbsoluteNetworkPath(c.convertRequest.NetworkFile);
    c.placeRequest.NetworkFile = AbsoluteNetworkPath(c.placeRequest.NetworkFile);
    c.reportRequest.NetworkFile = AbsoluteNetworkPath(c.reportRequest.NetworkFile);
    if (!c.placeRequest.Place.CandidatesFile.empty())
        c.placeRequest.Place.CandidatesFile = AbsoluteNetworkPath(c.placeRequest.Place.CandidatesFile);
    c.reportRequest.Output = AbsoluteNetworkPath(c.reportRequest.Output);
    if (!c.reportPlacement.CandidatesFile.empty())
        c.reportPlacement.CandidatesFile = AbsoluteNetworkPath(c.reportPlacement.CandidatesFile);
    for (PlaceRequest* place : {&c.placeRequest.Place, &c.reportPlacement})
        for (std::string* file : {&place->CostsFile, &place->WeightsFile})
            if (!file->empty()) *file = AbsoluteNetworkPath(*file);
    if (c.build->parsed()) NoteGivenOptions(c);
    if (c.report->parsed()) {
        ReportRequest& r = c.reportRequest;
        r.Objective = c.reportPlacement.Objective;
        r.Statistic = c.reportPlacement.Statistic;
        r.Alpha = c.reportPlacement.Alpha;
        if (c.report->count("--place") > 0) {
            r.Place = c.reportPlacement;
            r.Place->Sensors = c.reportCount;
        }
    }
}

// The command line parsed as the program parses it, for a caller that
// gives the command's arguments itself.
void ParseCommand(Commands& c, const std::string& command, const std::vector<std::string>& arguments) {
    CLI::App app("", "tesmar");
    DefineCommands(app, c);
    std::vector<const char*> argv{"tesmar", command.c_str()};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::Error& e) {
        const std::string name = "tesmar " + command;
        throw InputError(OneLine(e.what()) + " (see " + name + " --help)");
    }
    CompleteRequests(c);
}

}  // namespace

BuildRequest ParseBuildArguments(const std::vector<std::string>& arguments) {
    Commands c;
    ParseCommand(c, "build", arguments);
    return c.buildRequest;
}

PlaceCommandRequest ParsePlaceArguments(const std::vector<std::string>& arguments) {
    Commands c;
    ParseCommand(c, "place", arguments);
    return c.placeRequest;
}

ReportRequest ParseReportArguments(const std::vector<std::string>& arguments) {
    Commands c;
    ParseCommand(c, "report", arguments);
    return c.reportRequest;
}

std::vector<std::string> CommandOptionNames(const std::string& command) {
    CLI::App app("", "tesmar");
    Commands c;
    DefineCommands(app, c);
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_subcommand(command)->get_options())
        for (const std::string& name : option->get_lnames())
            if (name != "help") names.push_back(name);
    return names;
}

int RunTesmar(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Builds contamination scenario matrices of a water network and evaluates sensor sets.", "tesmar");
    Commands c;
    DefineCommands(app, c);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e, out, err) == 0 ? kSuccess : kBadInput;  // --help, --version
    } catch (const CLI::ParseError& e) {
        if (!c.build->parsed() && !c.fitness->parsed() && !c.convert->parsed() && !c.place->parsed() && !c.report->parsed() && argc > 1 && argv[1][0] != '-') {
            err << "tesmar: unknown command '" << base::ShownText(argv[1])
                << "' (the commands are build, fitness, place, report and convert; see tesmar --help)" << std::endl;
            return kBadInput;
        }
        err << CommandName(app, c) << ": " << OneLine(e.what()) << " (see " << CommandName(app, c) << " --help)"
            << std::endl;
        return kBadInput;
    }
    CompleteRequests(c);
    network::SharedToolkit toolkit;
    try {
        toolkit = network::LoadToolkit();
    } catch (const network::ToolkitError& e) {
        err << CommandName(app, c) << ": The simulation toolkit cannot be used: " << e.what() << std::endl;
        return kBadInput;
    }
    if (c.build->parsed()) return RunBuildCommand(c.buildRequest, toolkit, out, err, ErrorStreamIsTerminal());
    if (c.convert->parsed()) return RunConvertCommand(c.convertRequest, toolkit, out, err);
    if (c.place->parsed()) return RunPlaceCommand(c.placeRequest, toolkit, out, err);
    if (c.report->parsed()) {
        if (c.report->count("--place") == 0)
            if (const auto ignored = PlacementOnlyOptionGiven(*c.report)) {
                err << "tesmar report: " << *ignored << " chooses the set of --place; a set given with --sensors is "
                    << "shown as it is (see tesmar report --help)" << std::endl;
                return kBadInput;
            }
        return RunReportCommand(c.reportRequest, toolkit, out, err);
    }
    return RunFitnessCommand(c.fitnessRequest, toolkit, out, err);
}

int RunTesmar(int argc, char** argv) {
    try {
        return RunTesmar(argc, argv, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "tesmar: there is not enough memory" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "tesmar: " << e.what() << std::endl;
    }
    return kRunFailed;
}

}  // namespace tesmar
