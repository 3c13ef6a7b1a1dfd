// The parts of the tesmar extension module, each defined in the file of its name.
#pragma once

#include <nanobind/nanobind.h>

namespace tesmar::python {

void DefineErrors(nanobind::module_& m);
void DefineNetwork(nanobind::module_& m);
void DefineBuild(nanobind::module_& m);
void DefineMatrixSet(nanobind::module_& m);
void DefinePlacement(nanobind::module_& m);

}  // namespace tesmar::python
