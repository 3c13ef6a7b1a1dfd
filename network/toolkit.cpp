#include "network/toolkit.h"

#include <dlfcn.h>

#include <mutex>

#include "network/program_folder.h"

namespace network {

namespace {

std::mutex gLibraryMutex;
std::string gLibraryPath;
void* gLibrary = nullptr;

void* LoadLibraryLocked() {
    if (gLibrary) return gLibrary;
    if (gLibraryPath.empty()) gLibraryPath = ProgramFolder() + "/libepanet2.so";
    gLibrary = ::dlopen(gLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!gLibrary) {
        const char* why = ::dlerror();
        throw ToolkitError("loading " + gLibraryPath, -1,
                           std::string("the simulation toolkit library cannot be loaded: ") +
                               (why ? why : "unknown reason"));
    }
    return gLibrary;
}

std::string Describe(const std::string& function, int code, const std::string& text) {
    std::string message = "Simulation toolkit failure in " + function;
    if (code != -1) message += " (code " + std::to_string(code) + ")";
    if (!text.empty()) message += ": " + text;
    return message;
}

}  // namespace

ToolkitError::ToolkitError(std::string function, int code, const std::string& text)
    : std::runtime_error(Describe(function, code, text)), function_(std::move(function)), code_(code) {}

void SetToolkitLibrary(const std::string& path) {
    std::lock_guard lock(gLibraryMutex);
    gLibraryPath = path;
}

const std::string& ToolkitLibraryPath() {
    std::lock_guard lock(gLibraryMutex);
    if (gLibraryPath.empty()) gLibraryPath = ProgramFolder() + "/libepanet2.so";
    return gLibraryPath;
}

void* BindToolkitFunction(const char* name) {
    std::lock_guard lock(gLibraryMutex);
    void* library = LoadLibraryLocked();
    void* fn = ::dlsym(library, name);
    if (!fn)
        throw ToolkitError(name, -1, "the function is missing from " + gLibraryPath);
    return fn;
}

std::string ToolkitErrorText(int code) {
    using Fn = int(int, char*, int);
    static Fn* fn = Bind<Fn>("ENgeterror");
    char text[256] = {};
    if (fn(code, text, static_cast<int>(sizeof text) - 1) != 0) return {};
    return text;
}

void Check(int code, const char* function) {
    if (code == 0) return;
    std::string text;
    try {
        text = ToolkitErrorText(code);
    } catch (const ToolkitError&) {
    }
    throw ToolkitError(function, code, text);
}

// Each wrapper binds its function on first use; the static keeps the address.
#define TOOLKIT_CALL(Name, Signature, ...)            \
    static auto* fn = Bind<Signature>(#Name);        \
    return fn(__VA_ARGS__)

int ENopen(const std::string& inp, const std::string& rpt, const std::string& out) {
    TOOLKIT_CALL(ENopen, int(const char*, const char*, const char*), inp.c_str(), rpt.c_str(), out.c_str());
}
int ENclose() { TOOLKIT_CALL(ENclose, int()); }
int ENgetcount(int code, int* count) { TOOLKIT_CALL(ENgetcount, int(int, int*), code, count); }
int ENgetnodetype(int index, int* type) { TOOLKIT_CALL(ENgetnodetype, int(int, int*), index, type); }
int ENgetnodeid(int index, char* id) { TOOLKIT_CALL(ENgetnodeid, int(int, char*), index, id); }
int ENgetlinktype(int index, int* type) { TOOLKIT_CALL(ENgetlinktype, int(int, int*), index, type); }
int ENgetlinkid(int index, char* id) { TOOLKIT_CALL(ENgetlinkid, int(int, char*), index, id); }
int ENgettimeparam(int code, long* value) { TOOLKIT_CALL(ENgettimeparam, int(int, long*), code, value); }
int ENsettimeparam(int code, long value) { TOOLKIT_CALL(ENsettimeparam, int(int, long), code, value); }
int ENgetflowunits(int* units) { TOOLKIT_CALL(ENgetflowunits, int(int*), units); }
int ENgetnodevalue(int index, int code, float* value) {
    TOOLKIT_CALL(ENgetnodevalue, int(int, int, float*), index, code, value);
}
int ENsetnodevalue(int index, int code, float value) {
    TOOLKIT_CALL(ENsetnodevalue, int(int, int, float), index, code, value);
}
int ENsolveH() { TOOLKIT_CALL(ENsolveH, int()); }
int ENopenQ() { TOOLKIT_CALL(ENopenQ, int()); }
int ENinitQ(int saveFlag) { TOOLKIT_CALL(ENinitQ, int(int), saveFlag); }
int ENrunQ(long* t) { TOOLKIT_CALL(ENrunQ, int(long*), t); }
int ENstepQ(long* tleft) { TOOLKIT_CALL(ENstepQ, int(long*), tleft); }
int ENcloseQ() { TOOLKIT_CALL(ENcloseQ, int()); }

#undef TOOLKIT_CALL

}  // namespace network
