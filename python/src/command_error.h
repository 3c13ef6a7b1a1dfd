// How the failures of the command line's libraries reach Python: with the
// line the command line prints ("tesmar build: ..."), as tesmar.InputError
// (a ValueError) for bad input and tesmar.Error for a run that failed.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include <nanobind/nanobind.h>

#include "network/toolkit.h"
#include "optimizer/request_error.h"
#include "tesmar/exit_codes.h"

namespace tesmar::python {

class CommandError : public std::runtime_error {
public:
    CommandError(const std::string& message, bool badInput) : std::runtime_error(message), badInput_(badInput) {}
    bool BadInput() const { return badInput_; }

private:
    bool badInput_;
};

// Runs work, turning what the libraries throw into a CommandError whose
// message starts with the command's name ("tesmar place").
template <typename Work>
auto Guarded(const std::string& command, Work&& work) -> decltype(work()) {
    try {
        return std::forward<Work>(work)();
    } catch (const InputError& e) {
        throw CommandError(command + ": " + e.what(), true);
    } catch (const optimizer::RequestError& e) {
        throw CommandError(command + ": " + e.what(), true);
    } catch (const CommandError&) {
        throw;
    } catch (const nanobind::builtin_exception&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw CommandError(command + ": " + e.what(), false);
    }
}

}  // namespace tesmar::python
