#include "support/test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "network/example_networks.h"
#include "network/program_folder.h"

namespace testing_support {

namespace fs = std::filesystem;

const network::SharedToolkit& Toolkit() {
    static const network::SharedToolkit toolkit = network::LoadToolkit();
    return toolkit;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tesmar-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void WriteText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ExampleNetwork(int number) {
    return network::ExampleNetworkPath(network::ProgramFolder(), network::Example(number));
}

std::string ChainNetwork(int junctions, double demand) {
    std::ostringstream inp;
    inp << "[TITLE]\nChain test network\n\n[JUNCTIONS]\n";
    for (int j = 1; j <= junctions; ++j) inp << "J" << j << " 0 " << demand << "\n";
    inp << "\n[RESERVOIRS]\nR1 100\n\n[PIPES]\n";
    for (int j = 1; j <= junctions; ++j)
    {
        inp << "P" << j << " ";
        if (j == 1)
            inp << "R1";
        else
            inp << "J" << j - 1;
        inp << " J" << j << " 1000 12 100 0 Open\n";
    }
    inp << "\n[TIMES]\nDuration 24:00\nHydraulic Timestep 1:00\nQuality Timestep 0:05\n"
           "Pattern Timestep 1:00\n\n[OPTIONS]\nUnits GPM\nQuality Chemical mg/L\n\n"
           "[REACTIONS]\nGlobal Bulk 0\nGlobal Wall 0\n\n[END]\n";
    return inp.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::invalid_argument("no " + from + " in the network");
    return text.replace(at, from.size(), to);
}

}  // namespace testing_support
