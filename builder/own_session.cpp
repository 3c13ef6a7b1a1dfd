#include "builder/own_session.h"

#include <algorithm>

namespace builder {

OwnSession::OwnSession(const transport::SharedTransport& shared)
    : engine_(shared), qualStep_(shared.layout.qualityStep) {}

void OwnSession::BeginEvent() {
    for (int node : switchedOn_) engine_.SetSource(node, 0.0);
    switchedOn_.clear();
}

void OwnSession::SetSourceQuality(int node, float strength) {
    engine_.SetSource(node, static_cast<double>(strength));
    if (strength != 0.0f && std::find(switchedOn_.begin(), switchedOn_.end(), node) == switchedOn_.end())
        switchedOn_.push_back(node);
}

void OwnSession::ReadQuality(std::vector<float>& concentration) { engine_.ReadQualities(concentration); }

bool OwnSession::BackgroundIsZero(std::int32_t s) const {
    constexpr long firstDay = 24L * 3600;
    return s >= 0 && (static_cast<long>(s) - 1) * qualStep_ < firstDay;
}

}  // namespace builder
