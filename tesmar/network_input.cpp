#include "tesmar/network_input.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "network/input_file.h"
#include "network/solving_copy.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace fs = std::filesystem;

namespace {

std::string ToolkitRejection(const std::string& path, const network::Toolkit& toolkit, const network::ToolkitError& e) {
    std::string text = toolkit.ErrorText(e.code());
    // The toolkit's texts begin with their own "Error 200: ".
    const std::string prefix = "Error " + std::to_string(e.code()) + ": ";
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    return "The toolkit rejects the network " + path + " (code " + std::to_string(e.code()) + ")" +
           (text.empty() ? std::string() : ": " + text);
}

}  // namespace

std::string AbsoluteNetworkPath(const std::string& file) {
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return ec ? file : absolute.lexically_normal().string();
}

void RequireReadableFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    if (!fs::exists(fs::status(path, ec))) throw InputError("The " + what + " " + path + " does not exist");
    try {
        ::close(network::OpenInputFile(path));
    } catch (const network::InputFileError& e) {
        throw InputError("The " + what + " " + path + " cannot be used: " + e.what());
    }
}

network::Network OpenNetworkFile(const std::string& path, const network::SharedToolkit& toolkit) {
    RequireReadableFile(path, "network file");
    try {
        return network::LoadNetwork(path, toolkit, network::TemporaryFolder());
    } catch (const network::DuplicateIdError& e) {
        throw InputError("The network " + path + " cannot be used: " + e.what());
    } catch (const network::ToolkitError& e) {
        if (e.function() == "EN_open" && e.code() > 0) throw InputError(ToolkitRejection(path, *toolkit, e));
        throw InputError(std::string("The simulation toolkit cannot be used: ") + e.what());
    } catch (const std::runtime_error& e) {
        throw InputError(e.what());
    }
}

}  // namespace tesmar
