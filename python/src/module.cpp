// tesmar._core: the command line's libraries for Python. The package's
// __init__.py wraps it for pandas and notebooks.
#include "bindings.h"

#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "session.h"
#include "tesmar/app.h"

NB_MODULE(_core, m) {
    m.doc() = "The engine of the tesmar command line: networks, builds, matrix sets, placements and reports.";
    m.attr("__version__") = TESMAR_VERSION;
    tesmar::python::BindModuleToolkit();
    tesmar::python::DefineErrors(m);
    tesmar::python::DefineNetwork(m);
    tesmar::python::DefineBuild(m);
    tesmar::python::DefineMatrixSet(m);
    tesmar::python::DefinePlacement(m);
    m.def("option_names", &tesmar::CommandOptionNames, nanobind::arg("command"),
          "The long option names of a tesmar command ('build', 'place', 'report'), without the dashes.");
}
