// Binding to the EPANET 2 simulation toolkit, loaded at run time.
//
// The shared library is opened on the first toolkit call, from the folder of
// the running executable unless SetToolkitLibrary names another file, and
// each function is looked up by name the first time it is called. A missing
// library or function raises ToolkitError at that call.
#pragma once

#include <stdexcept>
#include <string>

namespace network {

// Toolkit codes used by this system (the toolkit's published values).
enum : int {
    EN_NODECOUNT = 0, EN_TANKCOUNT = 1, EN_LINKCOUNT = 2,
    EN_JUNCTION = 0, EN_RESERVOIR = 1, EN_TANK = 2,
    EN_CVPIPE = 0, EN_PIPE = 1, EN_PUMP = 2,
    EN_DURATION = 0, EN_HYDSTEP = 1, EN_QUALSTEP = 2, EN_PATTERNSTEP = 3, EN_PATTERNSTART = 4,
    EN_SOURCEQUAL = 5, EN_SOURCETYPE = 7, EN_DEMAND = 9, EN_QUALITY = 12,
    EN_MASS = 1, EN_NOSAVE = 0,
};

// Longest ID the toolkit accepts (EN_MAXID of version 2.3), without the NUL.
inline constexpr int kMaxIdLength = 31;

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

// Chooses the toolkit library file; call before the first toolkit call.
void SetToolkitLibrary(const std::string& path);
const std::string& ToolkitLibraryPath();

// The toolkit's own text for a code ("" when it has none).
std::string ToolkitErrorText(int code);

// Throws ToolkitError when code is not 0.
void Check(int code, const char* function);

// Returns the address of a toolkit function, loading the library if needed.
void* BindToolkitFunction(const char* name);

// Typed lookup, cached per function in the caller's static.
template <typename Fn>
Fn* Bind(const char* name) {
    return reinterpret_cast<Fn*>(BindToolkitFunction(name));
}

// ---- Legacy (single-project) interface, version 2: long is 64-bit here, reals are float.
int ENopen(const std::string& inpFile, const std::string& rptFile, const std::string& outFile);
int ENclose();
int ENgetcount(int code, int* count);
int ENgetnodetype(int index, int* type);
int ENgetnodeid(int index, char* id);
int ENgetlinktype(int index, int* type);
int ENgetlinkid(int index, char* id);
int ENgettimeparam(int code, long* value);
int ENsettimeparam(int code, long value);
int ENgetflowunits(int* units);
int ENgetnodevalue(int index, int code, float* value);
int ENsetnodevalue(int index, int code, float value);
int ENsolveH();
int ENopenQ();
int ENinitQ(int saveFlag);
int ENrunQ(long* currentTime);
int ENstepQ(long* timeLeft);
int ENcloseQ();

}  // namespace network
