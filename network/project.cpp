#include "network/project.h"

#include <mutex>

#include "network/toolkit.h"

namespace network {

namespace {
using Handle = void*;

// The toolkit's input-file parser splits lines with strtok, whose position
// is shared by the whole process: two networks read at once on different
// threads corrupt each other's tokens ("errors in input file"). Reading is
// a small part of a project's life, so projects open one at a time.
std::mutex openingMutex;
}  // namespace

#define PROJECT_CALL(Name, Signature, ...)                 \
    do {                                                   \
        static auto* fn = Bind<Signature>(#Name);          \
        Check(fn(__VA_ARGS__), #Name);                     \
    } while (0)

Project::Project() {
    PROJECT_CALL(EN_createproject, int(Handle*), &handle_);
}

Project::~Project() {
    try {
        if (qualityOpen_) CloseQ();
        if (open_) Close();
        static auto* destroy = Bind<int(Handle)>("EN_deleteproject");
        destroy(handle_);
    } catch (...) {
        // A destructor must not throw; the project is gone either way.
    }
}

void Project::Open(const std::string& inp, const std::string& rpt, const std::string& out) {
    std::lock_guard lock(openingMutex);
    PROJECT_CALL(EN_open, int(Handle, const char*, const char*, const char*), handle_, inp.c_str(),
                 rpt.c_str(), out.c_str());
    open_ = true;
}

void Project::Close() {
    open_ = false;
    PROJECT_CALL(EN_close, int(Handle), handle_);
}

int Project::Count(int code) const {
    int count = 0;
    PROJECT_CALL(EN_getcount, int(Handle, int, int*), handle_, code, &count);
    return count;
}

int Project::NodeType(int index) const {
    int type = 0;
    PROJECT_CALL(EN_getnodetype, int(Handle, int, int*), handle_, index, &type);
    return type;
}

long Project::TimeParam(int code) const {
    long value = 0;
    PROJECT_CALL(EN_gettimeparam, int(Handle, int, long*), handle_, code, &value);
    return value;
}

void Project::SetTimeParam(int code, long value) {
    PROJECT_CALL(EN_settimeparam, int(Handle, int, long), handle_, code, value);
}

double Project::NodeValue(int index, int code) const {
    double value = 0;
    PROJECT_CALL(EN_getnodevalue, int(Handle, int, int, double*), handle_, index, code, &value);
    return value;
}

void Project::NodeValues(int code, double* values) const {
    PROJECT_CALL(EN_getnodevalues, int(Handle, int, double*), handle_, code, values);
}

void Project::SetNodeValue(int index, int code, double value) {
    PROJECT_CALL(EN_setnodevalue, int(Handle, int, int, double), handle_, index, code, value);
}

void Project::SolveH() { PROJECT_CALL(EN_solveH, int(Handle), handle_); }

void Project::OpenQ() {
    PROJECT_CALL(EN_openQ, int(Handle), handle_);
    qualityOpen_ = true;
}

void Project::InitQ(int saveFlag) { PROJECT_CALL(EN_initQ, int(Handle, int), handle_, saveFlag); }

long Project::RunQ() {
    long t = 0;
    PROJECT_CALL(EN_runQ, int(Handle, long*), handle_, &t);
    return t;
}

long Project::StepQ() {
    long tleft = 0;
    PROJECT_CALL(EN_stepQ, int(Handle, long*), handle_, &tleft);
    return tleft;
}

void Project::CloseQ() {
    qualityOpen_ = false;
    PROJECT_CALL(EN_closeQ, int(Handle), handle_);
}

#undef PROJECT_CALL

}  // namespace network
