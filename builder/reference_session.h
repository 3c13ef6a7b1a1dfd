// The toolkit session of one event in the reference procedure: the network is
// opened through the single-project interface, every node made a mass-booster
// source of strength 0, and the hydraulics solved, for every event anew.
#pragma once

#include <cstdint>
#include <vector>

namespace builder {

class ReferenceSession {
public:
    ReferenceSession();   // opens the network and solves its hydraulics
    ~ReferenceSession();  // closes whatever is still open
    ReferenceSession(const ReferenceSession&) = delete;
    ReferenceSession& operator=(const ReferenceSession&) = delete;

    void SetSourceQuality(int node, float strength);
    void OpenQuality();
    long RunQ();
    long StepQ();
    void ReadQuality(std::vector<float>& concentration);
    void CloseQuality();
    void Close();  // ENclose, checked
    // Every recorded step is read in the reference procedure.
    bool BackgroundIsZero(std::int32_t) const { return false; }

private:
    bool open_ = false;
    bool qualityOpen_ = false;
};

}  // namespace builder
