#include "network/example_networks.h"

#include <algorithm>
#include <stdexcept>

#include "network/program_folder.h"

namespace network {

const ExampleNetwork& Example(int number) {
    static const ExampleNetwork kExamples[] = {
        {"Networks/Example1/Network_1.inp", "Network 1", {45063}, {45011, 45063, 45982}},
        {"Networks/Example2/Network_2.inp", "Network 2", {2307252, 3299022}, {2307252, 3299022}},
    };
    if (number < 1 || number > 2) throw std::out_of_range("there is no example network " + std::to_string(number));
    return kExamples[number - 1];
}

std::string ExampleNetworkPath(const std::string& programFolder, const ExampleNetwork& example) {
    return programFolder + "/" + example.file;
}

bool AcceptedExampleFile(const std::string& path, const std::vector<std::int64_t>& sizes) {
    const std::int64_t size = FileSize(path);
    return size >= 0 && std::find(sizes.begin(), sizes.end(), size) != sizes.end();
}

}  // namespace network
