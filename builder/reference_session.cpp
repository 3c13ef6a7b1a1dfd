#include "builder/reference_session.h"

#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

using namespace network;

ReferenceSession::ReferenceSession() {
    Check(ENopen(NetworkPath, "out.dat", "rep.dat"), "ENopen");
    open_ = true;
    Check(ENsettimeparam(EN_DURATION, ToInt32(MaxSimDuration * 3600.0)), "ENsettimeparam");
    for (int n = 1; n <= nNodes; ++n) {
        Check(ENsetnodevalue(n, EN_SOURCETYPE, static_cast<float>(EN_MASS)), "ENsetnodevalue");
        Check(ENsetnodevalue(n, EN_SOURCEQUAL, 0.0f), "ENsetnodevalue");
    }
    Check(ENsolveH(), "ENsolveH");
}

ReferenceSession::~ReferenceSession() {
    if (qualityOpen_) ENcloseQ();
    if (open_) ENclose();
}

void ReferenceSession::SetSourceQuality(int node, float strength) {
    Check(ENsetnodevalue(node, EN_SOURCEQUAL, strength), "ENsetnodevalue");
}

void ReferenceSession::OpenQuality() {
    Check(ENopenQ(), "ENopenQ");
    qualityOpen_ = true;
    Check(ENinitQ(EN_NOSAVE), "ENinitQ");
}

long ReferenceSession::RunQ() {
    long t = 0;
    Check(ENrunQ(&t), "ENrunQ");
    return t;
}

long ReferenceSession::StepQ() {
    long tleft = 0;
    Check(ENstepQ(&tleft), "ENstepQ");
    return tleft;
}

void ReferenceSession::ReadQuality(std::vector<float>& concentration) {
    for (int n = 1; n <= nNodes; ++n) Check(ENgetnodevalue(n, EN_QUALITY, &concentration[static_cast<std::size_t>(n)]), "ENgetnodevalue");
}

void ReferenceSession::CloseQuality() {
    qualityOpen_ = false;
    Check(ENcloseQ(), "ENcloseQ");
}

void ReferenceSession::Close() {
    open_ = false;
    Check(ENclose(), "ENclose");
}

}  // namespace builder
