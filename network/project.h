// One toolkit project, opened through the toolkit's project-handle
// interface. Several projects may run at once, each used by one thread at a
// time. Every call checks the toolkit's code and throws ToolkitError on a
// non-zero one, warnings included; the destructor closes whatever is open.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "network/solving_copy.h"
#include "network/toolkit.h"

namespace network {

// The water-quality analysis a network defines.
struct QualityAnalysis {
    int type = EN_NONE;     // EN_NONE, EN_CHEM, EN_AGE or EN_TRACE
    std::string chemical;   // the chemical's name (EN_CHEM)
    std::string units;      // its concentration units, e.g. "mg/L"
    int traceNode = 0;      // the traced node (EN_TRACE)
};

class Project {
public:
    explicit Project(const Toolkit& toolkit);
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Reads a network. The report file defaults to none; an empty output
    // file name makes the toolkit keep its binary results in a scratch file
    // of the current folder. A project opened this way reads the network;
    // one that solves hydraulics opens it with OpenToSolve.
    void Open(const std::string& inpFile, const std::string& rptFile = "/dev/null", const std::string& outFile = "");
    // Reads the network's text, keeping the hydraulic results that SolveH
    // makes in an unnamed file of scratchFolder (see SolvingCopy).
    void OpenToSolve(std::string_view networkText, const std::string& scratchFolder);
    void Close();

    int Count(int code) const;
    int NodeType(int index) const;
    std::string NodeId(int index) const;
    int LinkType(int index) const;
    std::string LinkId(int index) const;
    std::pair<int, int> LinkNodes(int index) const;
    // A node's map coordinates; false when the network gives it none.
    bool NodeCoordinates(int index, double& x, double& y) const;
    int VertexCount(int linkIndex) const;
    std::pair<double, double> Vertex(int linkIndex, int vertex) const;
    long TimeParam(int code) const;
    void SetTimeParam(int code, long value);
    int FlowUnits() const;
    QualityAnalysis Quality() const;
    // Makes the analysis a chemical in mg/L, whatever the network defines
    // (before the quality solver is opened).
    void SetChemicalAnalysis();
    double NodeValue(int index, int code) const;
    void NodeValues(int code, double* values) const;  // values[0..nNodes-1]
    void LinkValues(int code, double* values) const;  // values[0..nLinks-1]
    void SetNodeValue(int index, int code, double value);
    double Option(int code) const;

    void SolveH();
    void OpenH();
    void InitH(int saveFlag);
    long RunH();
    long NextH();
    void CloseH();
    // Copies the solved hydraulics, as the quality solver reads them back, to path.
    void SaveHydraulics(const std::string& path) const;

    void OpenQ();
    void InitQ(int saveFlag);
    long RunQ();
    long StepQ();
    void CloseQ();

    const Toolkit& toolkit() const { return toolkit_; }

    // Takes the toolkit's warnings (codes below 100, such as negative
    // pressures) instead of failing on them, recording each code once in
    // warnings; nullptr fails on them again.
    void AcceptWarnings(std::vector<int>* warnings);

private:
    void Check(int code, const char* function) const;

    const Toolkit& toolkit_;
    EN_Project handle_ = nullptr;
    bool open_ = false;
    bool hydraulicsOpen_ = false;
    bool qualityOpen_ = false;
    std::vector<int>* warnings_ = nullptr;
    std::unique_ptr<SolvingCopy> solving_;  // what OpenToSolve opened
};

}  // namespace network
