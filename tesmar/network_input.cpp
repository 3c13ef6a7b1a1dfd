#include "tesmar/network_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "builder/driver.h"
#include "network/netload.h"
#include "network/toolkit.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace fs = std::filesystem;

namespace {

void CloseQuietly() {
    try {
        network::ENclose();
    } catch (const std::exception&) {
    }
}

std::string ToolkitRejection(const std::string& path, int code) {
    std::string text = network::ToolkitErrorText(code);
    // The toolkit's texts begin with their own "Error 200: ".
    const std::string prefix = "Error " + std::to_string(code) + ": ";
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    return "The toolkit rejects the network " + path + " (code " + std::to_string(code) + ")" +
           (text.empty() ? std::string() : ": " + text);
}

// Fills the network tables and closes the toolkit again.
void OpenForReading(const std::string& path) {
    try {
        network::Check(network::OpenNetwork(path, "rep.dat", "out.dat"), "ENopen");
    } catch (...) {
        CloseQuietly();
        throw;
    }
    CloseQuietly();
}

// Opens the network (for a build also reading its flow units; that load
// closes the toolkit itself) and turns every failure into a one-line message.
void OpenAndRead(const std::string& path, bool flowUnits) {
    try {
        if (flowUnits)
            builder::LoadNetworkForBuild(path);
        else
            OpenForReading(path);
    } catch (const network::DuplicateIdError& e) {
        throw InputError("The network " + path + " cannot be used: " + e.what());
    } catch (const network::ToolkitError& e) {
        if (e.function() == "ENopen" && e.code() > 0) throw InputError(ToolkitRejection(path, e.code()));
        if (e.function() == "ENgetflowunits")
            throw InputError("The toolkit cannot report the network's flow units (code " + std::to_string(e.code()) + ")");
        throw InputError(std::string("The simulation toolkit cannot be used: ") + e.what());
    } catch (const builder::BuildError& e) {
        throw InputError(e.what());
    }
}

}  // namespace

std::string AbsoluteNetworkPath(const std::string& file) {
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return ec ? file : absolute.lexically_normal().string();
}

void RequireReadableFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (!fs::exists(status)) throw InputError("The " + what + " " + path + " does not exist");
    if (!fs::is_regular_file(status)) throw InputError("The " + what + " " + path + " is not a regular file");
    std::ifstream probe(path, std::ios::binary);
    if (!probe) throw InputError("The " + what + " " + path + " cannot be read: " + std::strerror(errno));
}

void LoadNetwork(const std::string& path, bool flowUnits) {
    RequireReadableFile(path, "network file");
    OpenAndRead(path, flowUnits);
}

}  // namespace tesmar
