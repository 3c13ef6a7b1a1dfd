#include "network/toolkit.h"

#include <dlfcn.h>

#include "network/program_folder.h"

namespace network {

namespace {

std::string Describe(const std::string& function, int code, const std::string& text) {
    std::string message = "Simulation toolkit failure in " + function;
    if (code != -1) message += " (code " + std::to_string(code) + ")";
    if (!text.empty()) message += ": " + text;
    return message;
}

}  // namespace

ToolkitError::ToolkitError(std::string function, int code, const std::string& text)
    : std::runtime_error(Describe(function, code, text)), function_(std::move(function)), code_(code) {}

Toolkit::Toolkit(const std::string& libraryPath) : path_(libraryPath) {
    library_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* why = ::dlerror();
        throw ToolkitError("loading " + path_, -1,
                           std::string("the simulation toolkit library cannot be loaded: ") + (why ? why : "unknown reason"));
    }
    auto bind = [this](auto& member, const char* name) {
        void* address = ::dlsym(library_, name);
        if (!address) {
            ::dlclose(library_);
            throw ToolkitError(name, -1, "the function is missing from " + path_);
        }
        member = reinterpret_cast<std::remove_reference_t<decltype(member)>>(address);
    };
#define TESMAR_TOOLKIT_BIND(name) bind(name, "EN_" #name);
    TESMAR_TOOLKIT_FUNCTIONS(TESMAR_TOOLKIT_BIND)
#undef TESMAR_TOOLKIT_BIND
}

Toolkit::~Toolkit() {
    if (library_) ::dlclose(library_);
}

std::string Toolkit::ErrorText(int code) const {
    char text[256] = {};
    if (geterror(code, text, static_cast<int>(sizeof text) - 1) != 0) return {};
    return text;
}

void Toolkit::Check(int code, const char* function) const {
    if (code != 0) throw ToolkitError(function, code, ErrorText(code));
}

int Toolkit::Version() const {
    int version = 0;
    Check(getversion(&version), "EN_getversion");
    return version;
}

std::string ToolkitBesideCode() { return CodeFolder() + "/libepanet2.so"; }

SharedToolkit LoadToolkit() { return std::make_shared<const Toolkit>(ToolkitBesideCode()); }

}  // namespace network
