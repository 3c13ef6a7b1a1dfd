#include "tesmar/convert_command.h"

#include <ostream>
#include <span>

#include "matrix/manifest.h"
#include "matrix/set_lock.h"
#include "matrix/text_to_binary.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"

namespace tesmar {

namespace {

// A manifest naming another network means the matrices belong to it.
void RequireSameNetwork(const network::Network& net) {
    std::optional<matrix::Manifest> manifest;
    try {
        manifest = matrix::ReadManifest(net.path);
    } catch (const matrix::ManifestError& e) {
        throw InputError(e.what());
    }
    if (manifest && net.file && manifest->networkSha256 != net.file->Sha256())
        throw InputError("The matrix set beside " + net.path + " was built from another network (its manifest names "
                         "SHA-256 " + manifest->networkSha256 + ", this network file has " + net.file->Sha256() + ")");
}

// The manifest, when there is one, records the files as they now are, the
// new binary ones included, so that readers can tell they belong together.
void RecordDigests(const std::string& networkPath) {
    std::optional<matrix::Manifest> manifest = matrix::ReadManifest(networkPath);
    if (!manifest) return;
    manifest->files = matrix::DigestSetFiles(networkPath);
    matrix::WriteManifest(networkPath, *manifest);
}

}  // namespace

int RunConvertCommand(const ConvertRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err) {
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    network::Network net;
    try {
        net = OpenNetworkFile(path, toolkit);
        RequireSameNetwork(net);
    } catch (const InputError& e) {
        err << "tesmar convert: " << e.what() << std::endl;
        return kBadInput;
    }
    const auto ids = std::span(net.NodeID).subspan(1, static_cast<std::size_t>(net.nNodes));
    try {
        const matrix::SetLock lock(path, matrix::SetLock::Kind::Exclusive,
                                   std::string("tesmar ") + TESMAR_VERSION + " convert");
        const matrix::Conversion conversion = matrix::ConvertToBinary(path, ids);
        if (!lock.StillHeld()) {
            err << "tesmar convert: " << lock.LostMessage() << std::endl;
            return kRunFailed;
        }
        RecordDigests(path);
        err << "tesmar: " << conversion.events << " events converted" << std::endl;
        for (const std::string& file : conversion.files) out << file << "\n";
        out.flush();
        return kSuccess;
    } catch (const matrix::SetBusy& e) {
        err << "tesmar convert: " << e.what() << std::endl;
        return kBadInput;
    } catch (const matrix::LockRefused& e) {
        err << "tesmar convert: " << e.what() << std::endl;
        return kBadInput;
    } catch (const matrix::ConversionError& e) {
        err << "tesmar convert: " << e.what() << std::endl;
        return kBadInput;
    } catch (const std::exception& e) {
        err << "tesmar convert: " << e.what() << std::endl;
        return kRunFailed;
    }
}

}  // namespace tesmar
