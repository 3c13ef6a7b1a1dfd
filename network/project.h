// One toolkit project opened through the thread-safe project-handle interface.
// Several projects may run at once, each used by one thread at a time.
#pragma once

#include <string>

namespace network {

class Project {
public:
    Project();  // EN_createproject
    ~Project();  // closes the network if open, then EN_deleteproject
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Every call throws ToolkitError on a non-zero code.
    void Open(const std::string& inpFile, const std::string& rptFile, const std::string& outFile);
    void Close();
    int Count(int code) const;
    int NodeType(int index) const;
    long TimeParam(int code) const;
    void SetTimeParam(int code, long value);
    double NodeValue(int index, int code) const;
    void NodeValues(int code, double* values) const;  // values[0..nNodes-1]
    void SetNodeValue(int index, int code, double value);
    void SolveH();
    void OpenQ();
    void InitQ(int saveFlag);
    long RunQ();
    long StepQ();
    void CloseQ();

private:
    void* handle_ = nullptr;
    bool open_ = false;
    bool qualityOpen_ = false;
};

}  // namespace network
