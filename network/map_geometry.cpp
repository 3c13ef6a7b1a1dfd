#include "network/map_geometry.h"

namespace network {

MapGeometry LoadMapGeometry(const Network& net) {
    Project project(*net.toolkit);
    project.Open(net.ToolkitFile());
    MapGeometry map;
    map.nodes.resize(static_cast<std::size_t>(net.nNodes) + 1);
    for (int n = 1; n <= net.nNodes; ++n) {
        NodePlace& place = map.nodes[static_cast<std::size_t>(n)];
        place.placed = project.NodeCoordinates(n, place.x, place.y);
    }
    map.links.reserve(static_cast<std::size_t>(net.nLinks));
    for (int l = 1; l <= net.nLinks; ++l) {
        LinkPlace link;
        link.id = project.LinkId(l);
        link.type = project.LinkType(l);
        std::tie(link.from, link.to) = project.LinkNodes(l);
        const int vertices = project.VertexCount(l);
        for (int v = 1; v <= vertices; ++v) link.vertices.push_back(project.Vertex(l, v));
        map.links.push_back(std::move(link));
    }
    project.Close();
    return map;
}

}  // namespace network
