#include "python_calls.h"

namespace nb = nanobind;

namespace tesmar::python {

PythonCalls::~PythonCalls() {
    if (!error_) return;
    nb::gil_scoped_acquire interpreter;  // the kept exception holds Python objects
    error_.reset();
}

bool PythonCalls::StopRequested() {
    if (stop_) return true;
    nb::gil_scoped_acquire interpreter;
    if (PyErr_CheckSignals() != 0) {
        nb::python_error e;
        Keep(e);
    }
    return stop_;
}

void PythonCalls::Keep(nb::python_error& e) {
    stop_ = true;
    if (!error_) error_.emplace(std::move(e));
}

void PythonCalls::RaiseIfAny() {
    if (!error_) return;
    nb::python_error e = std::move(*error_);
    error_.reset();
    throw e;
}

}  // namespace tesmar::python
