// Binding to the EPANET 2 simulation toolkit, loaded at run time.
//
// The shared library is opened by file name and each function looked up by
// name; the function types come from the toolkit's own header. A Toolkit is
// immutable once bound: any number of projects and threads may use it.
#pragma once

#include <epanet2_2.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace network {

// A toolkit call that failed: a non-zero code (warnings included), or a
// library or function that could not be loaded (code -1).
class ToolkitError : public std::runtime_error {
public:
    ToolkitError(std::string function, int code, const std::string& text);
    const std::string& function() const { return function_; }
    int code() const { return code_; }

private:
    std::string function_;
    int code_;
};

// Every toolkit function the system calls, by its name without "EN_".
#define TESMAR_TOOLKIT_FUNCTIONS(X)                                                                        \
    X(createproject) X(deleteproject) X(open) X(close) X(geterror) X(getversion) X(getcount)             \
    X(getnodetype) X(getnodeid) X(getlinktype) X(getlinkid) X(getlinknodes) X(getcoord) X(getvertexcount) \
    X(getvertex) X(gettimeparam) X(settimeparam) X(getflowunits) X(getqualinfo) X(setqualtype) X(getnodevalue)           \
    X(getnodevalues) X(setnodevalue) X(getlinkvalues) X(solveH) X(openH) X(initH) X(runH) X(nextH)        \
    X(closeH) X(openQ) X(initQ) X(runQ) X(stepQ) X(closeQ) X(savehydfile) X(getoption)

class Toolkit {
public:
    // Binds every function of the library at path; throws ToolkitError
    // naming the library or the missing function.
    explicit Toolkit(const std::string& libraryPath);
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    const std::string& LibraryPath() const { return path_; }

    // The toolkit's own text for a code ("" when it has none).
    std::string ErrorText(int code) const;
    // Throws ToolkitError, with the toolkit's text, when code is not 0.
    void Check(int code, const char* function) const;
    // The toolkit's version number, e.g. 20300.
    int Version() const;

    // The toolkit's input parser keeps its position in process-wide state
    // (strtok), so networks are read one at a time; projects hold this
    // while they open a network. A program binds one Toolkit, so this is
    // the one lock of the process.
    std::mutex& InputParserLock() const { return inputParser_; }

#define TESMAR_TOOLKIT_MEMBER(name) decltype(&EN_##name) name = nullptr;
    TESMAR_TOOLKIT_FUNCTIONS(TESMAR_TOOLKIT_MEMBER)
#undef TESMAR_TOOLKIT_MEMBER

private:
    std::string path_;
    void* library_ = nullptr;
    mutable std::mutex inputParser_;
};

// The one bound toolkit of a program, shared by everything that calls it.
using SharedToolkit = std::shared_ptr<const Toolkit>;

// The file name of the toolkit library beside the code (see CodeFolder):
// bin/libepanet2.so, or beside the Python extension.
std::string ToolkitBesideCode();

// Binds the toolkit library beside the code. A program loads it once and
// hands it to everything that calls the toolkit (it travels with each
// loaded Network). Throws ToolkitError when it cannot be loaded.
SharedToolkit LoadToolkit();

}  // namespace network
