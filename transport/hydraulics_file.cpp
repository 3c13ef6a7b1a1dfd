#include "transport/hydraulics_file.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace transport {

namespace {

// Link status codes up to this one mean closed.
constexpr float kClosedStatus = 2.0f;
constexpr int kHeaderWords = 8;

std::int32_t ReadWord(std::istream& in) {
    std::int32_t word = 0;
    in.read(reinterpret_cast<char*>(&word), sizeof word);
    return word;
}

void ReadReals(std::istream& in, std::vector<float>& values) {
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(float)));
}

}  // namespace

std::vector<HydraulicPeriod> ReadHydraulicsFile(const std::string& path, int nNodes, int nLinks) {
    std::ifstream in(path, std::ios::binary);
    std::int32_t header[kHeaderWords] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (!in || header[2] != nNodes || header[3] != nLinks)
        throw std::runtime_error("the saved hydraulics do not match the network");
    const auto nodes = static_cast<std::size_t>(nNodes), links = static_cast<std::size_t>(nLinks);
    std::vector<float> demand(nodes), head(nodes), flow(links), status(links), setting(links);
    std::vector<HydraulicPeriod> periods;
    for (;;) {
        HydraulicPeriod period;
        period.time = ReadWord(in);
        ReadReals(in, demand);
        ReadReals(in, head);
        ReadReals(in, flow);
        ReadReals(in, status);
        ReadReals(in, setting);
        period.step = ReadWord(in);
        if (!in) throw std::runtime_error("the saved hydraulics end early");
        period.demand.assign(nodes + 1, 0.0);
        period.flow.assign(links + 1, 0.0);
        for (std::size_t n = 0; n < nodes; ++n) period.demand[n + 1] = demand[n];
        for (std::size_t k = 0; k < links; ++k)
            period.flow[k + 1] = static_cast<char>(status[k]) <= kClosedStatus ? 0.0 : static_cast<double>(flow[k]);
        periods.push_back(std::move(period));
        if (periods.back().step == 0) break;
    }
    return periods;
}

}  // namespace transport
