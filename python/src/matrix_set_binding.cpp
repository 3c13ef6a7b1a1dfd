#include <algorithm>
#include <sstream>

#include <nanobind/ndarray.h>
#include <nanobind/stl/map.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "bindings.h"
#include "command_error.h"
#include "evaluator/node_selection.h"
#include "matrix/file_names.h"
#include "opened_set.h"
#include "optimizer/matrix_input.h"
#include "session.h"
#include "tesmar/fitness_command.h"
#include "tesmar/place_request.h"

namespace nb = nanobind;

namespace tesmar::python {

namespace {

OpenedSet OpenSet(const std::string& path) {
    nb::gil_scoped_release released;  // reading a set's text can take a while
    return Guarded("tesmar", [&] {
        OpenedSet opened;
        opened.net = OpenNetwork(path, "tesmar");
        std::ostringstream notes;
        opened.input = LoadSetInput(opened.net, "tesmar", notes, true);
        std::istringstream lines(notes.str());
        for (std::string line; std::getline(lines, line);) opened.notes.push_back(line);
        return opened;
    });
}

// The cells of a matrix as a read-only array over the set's own memory (the
// mapped .npy file, or the cells read from the text), which the array keeps.
template <typename T>
nb::object MatrixArray(const matrix::Matrix<T>& matrix) {
    if (!matrix.Present()) return nb::none();
    auto* kept = new matrix::Matrix<T>(matrix);
    nb::capsule owner(kept, [](void* p) noexcept { delete static_cast<matrix::Matrix<T>*>(p); });
    const std::size_t shape[2] = {static_cast<std::size_t>(matrix.nEvents()), static_cast<std::size_t>(matrix.nNodes())};
    return nb::cast(nb::ndarray<nb::numpy, const T, nb::ndim<2>, nb::c_contig>(matrix.Cells(), 2, shape, owner),
                    nb::rv_policy::reference);
}

// The values of one set as `tesmar fitness` gives them.
struct FitnessOutcome {
    std::vector<std::string> sensors;
    std::int32_t events = 0, detected = 0;
    std::map<std::string, std::optional<double>> values, sd;
    std::map<std::string, std::string> unavailable;
    std::string lines, json;
};

FitnessOutcome Fitness(const OpenedSet& set, const std::vector<std::string>& ids) {
    return Guarded("tesmar fitness", [&] {
        FitnessOutcome outcome;
        outcome.sensors = SelectSensors(ids, set.net);
        const evaluator::FitnessResult r = evaluator::EvaluateSensorSet(
            set.input.set, evaluator::SelectedNodeIndexes(outcome.sensors, set.net.colNodes));
        outcome.events = r.nEvents;
        outcome.detected = r.nDetected;
        for (int k = 1; k <= 4; ++k) {
            const auto i = static_cast<std::size_t>(k);
            const std::string name = "Z" + std::to_string(k);
            outcome.values[name] = r.zAvailable[i] ? std::optional<double>(r.Z[i]) : std::nullopt;
            if (k != 4) outcome.sd[name] = r.zAvailable[i] ? std::optional<double>(r.SD[i]) : std::nullopt;
            if (!r.zAvailable[i]) outcome.unavailable[name] = r.whyNotAvailable[i];
        }
        outcome.lines = ResultLines(r);
        outcome.json = ResultJson(set.net.path, outcome.sensors, r, set.input);
        return outcome;
    });
}

// Each event's impact when no sensor detects it, as the placement counts it.
nb::object UndetectedImpact(const OpenedSet& set, const std::string& objective) {
    const std::vector<double> values = Guarded("tesmar place", [&] {
        if (std::find(kObjectiveNames.begin(), kObjectiveNames.end(), objective) == kObjectiveNames.end())
            throw InputError("--objective: " + objective + " not in {z1,z2,z3,detect}");
        PlaceRequest request;
        request.Objective = objective;
        return optimizer::FromMatrixSet(set.input.set, MeasureOf(request), set.input.summary, set.input.manifest)
            .data.undetectedImpact;
    });
    auto* kept = new std::vector<double>(values);
    nb::capsule owner(kept, [](void* p) noexcept { delete static_cast<std::vector<double>*>(p); });
    return nb::cast(nb::ndarray<nb::numpy, double, nb::ndim<1>>(kept->data(), {kept->size()}, owner));
}

}  // namespace

void DefineMatrixSet(nb::module_& m) {
    nb::class_<FitnessOutcome>(m, "Fitness", "A sensor set's four values, as `tesmar fitness` gives them.")
        .def_ro("sensors", &FitnessOutcome::sensors)
        .def_ro("events", &FitnessOutcome::events)
        .def_ro("detected", &FitnessOutcome::detected)
        .def_ro("values", &FitnessOutcome::values, "'Z1'..'Z4' -> value, None when not available.")
        .def_ro("sd", &FitnessOutcome::sd, "'Z1'..'Z3' -> standard deviation, None when not available.")
        .def_ro("unavailable", &FitnessOutcome::unavailable, "'Zk' -> why it is not available.")
        .def_ro("lines", &FitnessOutcome::lines, "The four lines `tesmar fitness` prints.")
        .def_ro("json", &FitnessOutcome::json, "What `tesmar fitness --json` prints.")
        .def("__repr__", [](const FitnessOutcome& f) { return f.lines; });

    nb::class_<OpenedSet>(m, "MatrixSet", "A matrix set beside its network, loaded as the command line loads it.")
        .def_prop_ro("network", [](const OpenedSet& s) { return s.net; }, "The network the set belongs to.")
        .def_prop_ro("path", [](const OpenedSet& s) { return s.net.path; }, "The network file, absolute.")
        .def_prop_ro("n_events", [](const OpenedSet& s) { return s.input.set.nEvents; })
        .def_prop_ro("n_nodes", [](const OpenedSet& s) { return s.input.set.nNodes; })
        .def_prop_ro("node_ids",
                     [](const OpenedSet& s) {
                         return std::vector<std::string>(s.net.NodeID.begin() + 1,
                                                         s.net.NodeID.begin() + 1 + s.net.nNodes);
                     })
        .def_prop_ro("z1", [](const OpenedSet& s) { return MatrixArray(s.input.set.Z1); },
                     "Minutes to detection, float32 [events, nodes], read only.")
        .def_prop_ro("z2", [](const OpenedSet& s) { return MatrixArray(s.input.set.Z2); },
                     "People affected by the first detection, float32 [events, nodes]; None after --no-z2.")
        .def_prop_ro("z3", [](const OpenedSet& s) { return MatrixArray(s.input.set.Z3); },
                     "Contaminated volume consumed, float32 [events, nodes].")
        .def_prop_ro("z4", [](const OpenedSet& s) { return MatrixArray(s.input.set.Z4); },
                     "1 where the node detects the event, uint8 [events, nodes].")
        .def_ro("notes", &OpenedSet::notes, "What the command line would print about the set when loading it.")
        .def_prop_ro("partial",
                     [](const OpenedSet& s) {
                         return s.input.partial ? std::optional<std::string>(PartialText(*s.input.partial))
                                                : std::nullopt;
                     },
                     "Why the figures rest on fewer events than the set holds; None when they use them all.")
        .def_prop_ro("unfinished", [](const OpenedSet& s) { return s.input.unfinished; },
                     "What the manifest says when the set's build did not finish; None when it did.")
        .def_prop_ro("manifest_path", [](const OpenedSet& s) { return matrix::ManifestFileName(s.net.path); })
        .def_prop_ro("events_path", [](const OpenedSet& s) { return matrix::EventSummaryFileName(s.net.path); })
        .def_prop_ro("has_manifest", [](const OpenedSet& s) { return s.input.manifest.has_value(); })
        .def_prop_ro("has_events", [](const OpenedSet& s) { return s.input.summary.has_value(); })
        .def("fitness", &Fitness, nb::arg("sensors"),
             "The four values of the sensor set (node IDs, letter case ignored), as `tesmar fitness` gives them.")
        .def("undetected_impact", &UndetectedImpact, nb::arg("objective") = "z1",
             "Each event's impact when no sensor detects it, for objective 'z1', 'z2' or 'z3'.");
    m.def("open_set", &OpenSet, nb::arg("network_path"),
          "Opens the matrix set beside the network file, as the command line does.");
}

}  // namespace tesmar::python
