#include "bindings.h"
#include "command_error.h"

namespace nb = nanobind;

namespace tesmar::python {

void DefineErrors(nb::module_& m) {
    PyObject* error = PyErr_NewExceptionWithDoc(
        "tesmar.Error", "A tesmar command failed; the message is the line the command line prints.", nullptr, nullptr);
    PyObject* bases = PyTuple_Pack(2, error, PyExc_ValueError);
    PyObject* input = PyErr_NewExceptionWithDoc(
        "tesmar.InputError",
        "Bad input (an option value, a file, a node ID): the command line's message, which it ends with exit code 2.",
        bases, nullptr);
    Py_DECREF(bases);
    m.attr("Error") = nb::steal(error);
    m.attr("InputError") = nb::steal(input);
    // The module keeps both classes alive for the translator.
    nb::register_exception_translator(
        [](const std::exception_ptr& p, void* payload) {
            try {
                std::rethrow_exception(p);
            } catch (const CommandError& e) {
                PyObject** classes = static_cast<PyObject**>(payload);
                PyErr_SetString(classes[e.BadInput() ? 1 : 0], e.what());
            }
        },
        new PyObject* [2] { error, input });
}

}  // namespace tesmar::python
