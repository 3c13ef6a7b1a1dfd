#include "network/project.h"

#include <algorithm>

namespace network {

Project::Project(const Toolkit& toolkit) : toolkit_(toolkit) {
    toolkit_.Check(toolkit_.createproject(&handle_), "EN_createproject");
}

Project::~Project() {
    // Nothing can be reported from here; the project goes either way.
    if (qualityOpen_) toolkit_.closeQ(handle_);
    if (hydraulicsOpen_) toolkit_.closeH(handle_);
    if (open_) toolkit_.close(handle_);
    toolkit_.deleteproject(handle_);
}

void Project::AcceptWarnings(std::vector<int>* warnings) { warnings_ = warnings; }

void Project::Check(int code, const char* function) const {
    constexpr int kLastWarning = 99;
    if (code > 0 && code <= kLastWarning && warnings_) {
        if (std::find(warnings_->begin(), warnings_->end(), code) == warnings_->end()) warnings_->push_back(code);
        return;
    }
    toolkit_.Check(code, function);
}

void Project::Open(const std::string& inp, const std::string& rpt, const std::string& out) {
    std::lock_guard lock(toolkit_.InputParserLock());
    const int code = toolkit_.open(handle_, inp.c_str(), rpt.c_str(), out.c_str());
    // A failed open can leave part of the network read; closing clears it.
    open_ = true;
    if (code != 0) {
        open_ = false;
        toolkit_.close(handle_);
        toolkit_.Check(code, "EN_open");
    }
}

void Project::OpenToSolve(std::string_view networkText, const std::string& scratchFolder) {
    auto copy = std::make_unique<SolvingCopy>(networkText, scratchFolder);
    Open(copy->Path());
    solving_ = std::move(copy);
}

void Project::Close() {
    open_ = false;
    const int code = toolkit_.close(handle_);
    solving_.reset();
    Check(code, "EN_close");
}

int Project::Count(int code) const {
    int count = 0;
    Check(toolkit_.getcount(handle_, code, &count), "EN_getcount");
    return count;
}

int Project::NodeType(int index) const {
    int type = 0;
    Check(toolkit_.getnodetype(handle_, index, &type), "EN_getnodetype");
    return type;
}

std::string Project::NodeId(int index) const {
    char id[EN_MAXID + 1] = {};
    Check(toolkit_.getnodeid(handle_, index, id), "EN_getnodeid");
    return id;
}

int Project::LinkType(int index) const {
    int type = 0;
    Check(toolkit_.getlinktype(handle_, index, &type), "EN_getlinktype");
    return type;
}

std::string Project::LinkId(int index) const {
    char id[EN_MAXID + 1] = {};
    Check(toolkit_.getlinkid(handle_, index, id), "EN_getlinkid");
    return id;
}

std::pair<int, int> Project::LinkNodes(int index) const {
    int from = 0, to = 0;
    Check(toolkit_.getlinknodes(handle_, index, &from, &to), "EN_getlinknodes");
    return {from, to};
}

bool Project::NodeCoordinates(int index, double& x, double& y) const {
    constexpr int kNoCoordinates = 254;
    const int code = toolkit_.getcoord(handle_, index, &x, &y);
    if (code == kNoCoordinates) return false;
    Check(code, "EN_getcoord");
    return true;
}

int Project::VertexCount(int linkIndex) const {
    int count = 0;
    Check(toolkit_.getvertexcount(handle_, linkIndex, &count), "EN_getvertexcount");
    return count;
}

std::pair<double, double> Project::Vertex(int linkIndex, int vertex) const {
    double x = 0, y = 0;
    Check(toolkit_.getvertex(handle_, linkIndex, vertex, &x, &y), "EN_getvertex");
    return {x, y};
}

long Project::TimeParam(int code) const {
    long value = 0;
    Check(toolkit_.gettimeparam(handle_, code, &value), "EN_gettimeparam");
    return value;
}

void Project::SetTimeParam(int code, long value) {
    Check(toolkit_.settimeparam(handle_, code, value), "EN_settimeparam");
}

int Project::FlowUnits() const {
    int units = 0;
    Check(toolkit_.getflowunits(handle_, &units), "EN_getflowunits");
    return units;
}

QualityAnalysis Project::Quality() const {
    QualityAnalysis quality;
    char chemical[EN_MAXID + 1] = {}, units[EN_MAXID + 1] = {};
    Check(toolkit_.getqualinfo(handle_, &quality.type, chemical, units, &quality.traceNode), "EN_getqualinfo");
    quality.chemical = chemical;
    quality.units = units;
    return quality;
}

double Project::NodeValue(int index, int code) const {
    double value = 0;
    Check(toolkit_.getnodevalue(handle_, index, code, &value), "EN_getnodevalue");
    return value;
}

void Project::NodeValues(int code, double* values) const {
    Check(toolkit_.getnodevalues(handle_, code, values), "EN_getnodevalues");
}

void Project::LinkValues(int code, double* values) const {
    Check(toolkit_.getlinkvalues(handle_, code, values), "EN_getlinkvalues");
}

void Project::SetChemicalAnalysis() {
    Check(toolkit_.setqualtype(handle_, EN_CHEM, "Chemical", "mg/L", ""), "EN_setqualtype");
}

void Project::SetNodeValue(int index, int code, double value) {
    Check(toolkit_.setnodevalue(handle_, index, code, value), "EN_setnodevalue");
}

double Project::Option(int code) const {
    double value = 0;
    Check(toolkit_.getoption(handle_, code, &value), "EN_getoption");
    return value;
}

void Project::SaveHydraulics(const std::string& path) const {
    Check(toolkit_.savehydfile(handle_, path.c_str()), "EN_savehydfile");
}

void Project::SolveH() { Check(toolkit_.solveH(handle_), "EN_solveH"); }

void Project::OpenH() {
    Check(toolkit_.openH(handle_), "EN_openH");
    hydraulicsOpen_ = true;
}

void Project::InitH(int saveFlag) { Check(toolkit_.initH(handle_, saveFlag), "EN_initH"); }

long Project::RunH() {
    long t = 0;
    Check(toolkit_.runH(handle_, &t), "EN_runH");
    return t;
}

long Project::NextH() {
    long step = 0;
    Check(toolkit_.nextH(handle_, &step), "EN_nextH");
    return step;
}

void Project::CloseH() {
    hydraulicsOpen_ = false;
    Check(toolkit_.closeH(handle_), "EN_closeH");
}

void Project::OpenQ() {
    Check(toolkit_.openQ(handle_), "EN_openQ");
    qualityOpen_ = true;
}

void Project::InitQ(int saveFlag) { Check(toolkit_.initQ(handle_, saveFlag), "EN_initQ"); }

long Project::RunQ() {
    long t = 0;
    Check(toolkit_.runQ(handle_, &t), "EN_runQ");
    return t;
}

long Project::StepQ() {
    long tleft = 0;
    Check(toolkit_.stepQ(handle_, &tleft), "EN_stepQ");
    return tleft;
}

void Project::CloseQ() {
    qualityOpen_ = false;
    Check(toolkit_.closeQ(handle_), "EN_closeQ");
}

}  // namespace network
